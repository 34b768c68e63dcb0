# Sources of app/shell.
target_sources(app PRIVATE
  shell/FileTimeText.cpp
  shell/LaunchOptions.cpp
  shell/MainThreadPoster.cpp
  shell/ModelSeams.cpp
  shell/NotificationCenter.cpp
  shell/ScanHook.cpp
  shell/StringTable.cpp
  shell/Strings.cpp
  shell/UserSettings.cpp
)
