#pragma once
// The test hook's previews: after the scan, --grid shows the grid of the first path-tree folder
// that holds files (chosen as a click would choose it); --coverflow N shows that folder's cover
// flow with item N selected. The RESULT line then reports how many of the shown items carry a
// thumbnail decoded from their file.

#include <QString>

#include <functional>

namespace app {
struct LaunchOptions;
}
namespace app::results {
class QNDeletailWindowController;
}

namespace app::thumbview {

// Whether the options ask for a preview.
bool HookWantsPreview(const LaunchOptions& options);
// Shows the asked-for preview and calls `done` with the count of real thumbnails in sight once
// no thumbnail is queued or being made (at most after a minute). Nothing when none is asked.
void ShowHookPreview(results::QNDeletailWindowController& window, const LaunchOptions& options,
                     std::function<void(int thumbs)> done);
// " thumbs=N" for the RESULT line.
QString HookThumbsField(int thumbs);

}  // namespace app::thumbview
