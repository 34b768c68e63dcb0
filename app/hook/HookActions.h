#pragma once
// What the test hook does in the results window once its scan or load has ended, through the
// window's real buttons and dialogs: save the scan (--save-to), then check every file and
// recover it (--recover-to). Then `done` gets the RESULT line's additions.

#include <QString>

#include <functional>

namespace app {

struct LaunchOptions;
class QNRootWindowController;
namespace results {
class QNDeletailWindowController;
}

void RunHookActions(results::QNDeletailWindowController* window, const LaunchOptions& options,
                    std::function<void(const QString& extra)> done);

// Opens `file` through the root window's import button and its file dialog.
void LoadThroughImport(QNRootWindowController* root, const QString& file);

}  // namespace app
