# cmake --install BUILD --prefix PREFIX: the program, the resources it reads (found from
# PREFIX/bin through PREFIX/share/quorin), a desktop entry and its icon.
include(GNUInstallDirs)
install(TARGETS quorin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/resources/FileType.plist
  ${PROJECT_SOURCE_DIR}/resources/Strings.en.plist
  ${PROJECT_SOURCE_DIR}/resources/LocalVersionMessage.plist
  DESTINATION ${CMAKE_INSTALL_DATADIR}/quorin)
install(FILES ${PROJECT_SOURCE_DIR}/resources/quorin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/images/logo.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME quorin.svg)
