# Sources of app/shell.
target_sources(app PRIVATE
  shell/CommandLine.cpp
  shell/FileTimeText.cpp
  shell/LanguageArgument.cpp
  shell/LaunchOptions.cpp
  shell/MainMenu.cpp
  shell/MainThreadPoster.cpp
  shell/ModelSeams.cpp
  shell/NotificationCenter.cpp
  shell/ProgramStart.cpp
  shell/QNAppDelegate.cpp
  shell/QuitGuard.cpp
  shell/HookActions.cpp
  shell/HookWalk.cpp
  shell/ScanHook.cpp
  shell/SignalQuit.cpp
  shell/StringTable.cpp
  shell/Strings.cpp
  shell/USBNotifier.cpp
  shell/UserSettings.cpp
)
set_source_files_properties(shell/CommandLine.cpp PROPERTIES COMPILE_DEFINITIONS QUORIN_VERSION="${PROJECT_VERSION}")
