# Sources of app/shell: the program's start and the delegate (its menu, the quit road, the media
# notifier), above every window.
target_sources(app PRIVATE
  shell/MainMenu.cpp
  shell/ModelSeams.cpp
  shell/ProgramStart.cpp
  shell/QNAppDelegate.cpp
  shell/QuitGuard.cpp
  shell/SignalQuit.cpp
  shell/USBNotifier.cpp
)
