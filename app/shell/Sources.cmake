# Sources of app/shell.
target_sources(app PRIVATE
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
  shell/HookTrees.cpp
  shell/ScanHook.cpp
  shell/SignalQuit.cpp
  shell/StringTable.cpp
  shell/Strings.cpp
  shell/USBNotifier.cpp
  shell/UserSettings.cpp
)
