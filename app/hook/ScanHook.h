#pragma once
// The test hook's scan: the disk row of the hook's image scanned with every file type.

#include <QString>

class IEnumDeviceEx;

namespace app {

// Installs the model over the disk-image file `image` as the only device (a device list over
// it, a scan, a recovery and a results-file driver, kept for the process's life) and lists it.
// Before the model's first use; InstallModelSeams calls it for --scan. False, installing
// nothing, when the image cannot be listed.
bool InstallHookModel(const QString& image);
// The same over a device list of the caller's (taken, never freed): tests hand one whose reads
// they hold back. False, deleting it, when it lists no device.
bool InstallHookModel(IEnumDeviceEx* enumerator);

// Lists the devices, takes the image's disk row and starts its scan with every file type
// (mask 63); postName is posted when the scan ends. False when the scan was refused.
bool StartHookScan(const QString& postName);

// How the hook's ended scan went: "failed" when its last record carries an error, "stopped"
// when the user stopped it, else "finished".
QString HookScanState(bool stopRequested);

// The scan's found count as the found label writes it.
QString HookFoundCount();

// "RESULT state=finished|noted|stopped|failed found=N", N as the found label shows it.
QString HookResultLine(const QString& state, const QString& found);

// The process's exit code for a state: 0 only for "finished"; 3 for "noted" (every file written,
// some with notes: their bytes may not be the files'); 1 for "stopped" and "failed".
int HookExitCode(const QString& state);

}  // namespace app
