# Sources of app/base: the services every window uses (texts and their string table, the
# notification centre and the model's poster into it, file-time texts, user settings, the launch
# options and the language argument). Includes nothing else of app/.
target_sources(app PRIVATE
  base/FileTimeText.cpp
  base/LanguageArgument.cpp
  base/MediaPages.cpp
  base/LaunchOptions.cpp
  base/MainThreadPoster.cpp
  base/NotificationCenter.cpp
  base/StringTable.cpp
  base/Strings.cpp
  base/UserSettings.cpp
)
