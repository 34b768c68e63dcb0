# Sources of app/shell: the program's start and the delegate (its menu, the quit road, the media
# notifier), above every window; the command line and the test hook's walk through the wizard.
target_sources(app PRIVATE
  shell/CommandLine.cpp
  shell/HookWalk.cpp
  shell/MainMenu.cpp
  shell/ModelSeams.cpp
  shell/ProgramStart.cpp
  shell/QNAppDelegate.cpp
  shell/QuitGuard.cpp
  shell/SignalQuit.cpp
  shell/USBNotifier.cpp
)
set_source_files_properties(shell/CommandLine.cpp PROPERTIES COMPILE_DEFINITIONS QUORIN_VERSION="${PROJECT_VERSION}")
