# Sources of app/recovery: the recovery's destination checks, its progress dialog and the
# dialogs that close it, and the address lookup their share buttons use.
target_sources(app PRIVATE
  recovery/QNLinkUrl.cpp
  recovery/QNScanEndSaveWindowController.cpp
  recovery/QNShowScanProgressWindowController.cpp
  recovery/RecoveryChecks.cpp
  recovery/RecoveryDialogChrome.cpp
  recovery/RecoveryLog.cpp
)
