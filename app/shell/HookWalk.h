#pragma once
// The test hook's walk through the wizard, as a person would take it: Start on the file-type
// page; on the disk page "Disk image…" and its dialog (--open-image), the asked-for row
// (--choose), Continue; then the results window's actions (HookActions). A scripted run never
// waits for a person: a question nobody of the hook answers, a refused image or load, and
// SIGINT or SIGTERM end it with its RESULT line.

namespace app {

struct LaunchOptions;
class QNAppDelegate;

void WalkWizard(QNAppDelegate& delegate, const LaunchOptions& options);

}  // namespace app
