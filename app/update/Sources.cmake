# Sources of app/update: the update check, the About window, the edit shortcuts, the welcome
# page, the volume notifier and the file utilities.
target_sources(app PRIVATE
  update/DialogWindow.cpp
  update/EditShortcutFilter.cpp
  update/FileUtilities.cpp
  update/LaunchUpdateCheck.cpp
  update/NetworkProbe.cpp
  update/QNAboutWindowController.cpp
  update/QNCheckUpdateWindowController.cpp
  update/QNComeInViewController.cpp
  update/UpdateAddresses.cpp
  update/VersionList.cpp
  update/VersionListFetcher.cpp
  update/VolumeInfo.cpp
  update/VolumeNotifier.cpp
)
