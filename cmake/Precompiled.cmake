# Precompiled headers: most of a translation unit's compile time here is parsing the same big
# headers again (Qt's in the application and its tests, the standard library's in the engine and
# the model). A library compiles its set for itself; the application's many test programs share
# one. CMake adds -Winvalid-pch, so with -Werror a set the compiler cannot use stops the build
# instead of silently costing the time again.
option(QUORIN_PCH "Compile the heavy headers once per build (precompiled headers)" ON)

# The standard headers most engine sources include.
set(QUORIN_PCH_STD
  <algorithm> <array> <cstdint> <cstring> <functional> <map> <memory> <optional> <span>
  <string> <string_view> <utility> <vector>)
# The Qt headers most of the application's sources include.
set(QUORIN_PCH_QT
  <QApplication> <QDir> <QKeyEvent> <QLabel> <QLineEdit> <QMessageBox> <QMouseEvent>
  <QObject> <QPainter> <QPointer> <QPushButton> <QString> <QStringList> <QTimer>
  <QVBoxLayout> <QWidget> ${QUORIN_PCH_STD})

# quorin_precompile(<target> <header-list-variable>): the target compiles that set for itself.
function(quorin_precompile target headers)
  if(QUORIN_PCH)
    target_precompile_headers(${target} PRIVATE ${${headers}})
  endif()
endfunction()

# quorin_precompiled_set(<name> <header-list-variable> <libraries...>): a target that only
# compiles that set, with the compile options and definitions the libraries give, for the
# targets of one kind to reuse. GCC takes a precompiled set only where every definition it was
# made with is defined the same way, so the set is made with none of one target's own (a test's
# source folder, QTest's per-target folders); a user's extra definitions are fine as long as the
# set's headers do not read them.
function(quorin_precompiled_set name headers)
  if(QUORIN_PCH)
    add_library(${name} OBJECT ${PROJECT_SOURCE_DIR}/cmake/PrecompiledSet.cpp)
    target_link_libraries(${name} PRIVATE ${ARGN} quorin_warnings)
    target_precompile_headers(${name} PRIVATE ${${headers}})
  endif()
endfunction()

# quorin_reuse_precompiled(<target> <set>): the target uses that set.
function(quorin_reuse_precompiled target set)
  if(QUORIN_PCH)
    target_precompile_headers(${target} REUSE_FROM ${set})
  endif()
endfunction()
