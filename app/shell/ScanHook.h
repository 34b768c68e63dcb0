#pragma once
// The test hook's scan: the disk row of the hook's image scanned with every file type.

#include <QString>

namespace app {

// Lists the devices, takes the image's disk row and starts its scan with every file type
// (mask 63); postName is posted when the scan ends. False when the scan was refused.
bool StartHookScan(const QString& postName);

// "RESULT state=finished|stopped|failed found=N", N as the found label shows it.
QString HookResultLine(const QString& state, const QString& found);

}  // namespace app
