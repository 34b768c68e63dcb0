# Precompiled headers: most of a translation unit's compile time here is parsing the same big
# headers again (Qt's in the application, GoogleTest's in the tests, the standard library's in
# the engine). Each set is compiled once per build, by one target, and the targets of the same
# kind reuse it (REUSE_FROM needs the same compiler options; the definitions may differ as long
# as the headers do not read them, and -Winvalid-pch with -Werror stops the build if they do).
option(QUORIN_PCH "Compile the heavy headers once per build (precompiled headers)" ON)

# The standard headers most engine sources include.
set(QUORIN_PCH_STD
  <algorithm> <array> <cstdint> <cstring> <functional> <map> <memory> <optional> <span>
  <string> <string_view> <utility> <vector>)
# GoogleTest, for every test.
set(QUORIN_PCH_GTEST <gtest/gtest.h> ${QUORIN_PCH_STD})
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

# quorin_reuse_precompiled(<target> <from>): the target uses <from>'s compiled set.
function(quorin_reuse_precompiled target from)
  if(QUORIN_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()
