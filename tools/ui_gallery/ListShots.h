#pragma once
// Pictures of the dark lists in each state (bands, highlight, both headers, the empty-list note,
// tree rows with check boxes, the file-type tiles, the pop-over and the overlay knob), and with
// the test hook a window whose outline and table follow the scan of the hook's image.

#include <QDir>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "uimodel/trees/TreeBatch.h"

namespace app {
class CustomTableView;
class NewButton;
class QNCustomOutlineView;
}  // namespace app
namespace app::results {
class FileListModel;
class ResultTreeModel;
}  // namespace app::results

namespace gallery {

// Writes the pictures into dir; answers the file names written (empty on a write failure).
QStringList WriteListShots(const QDir& dir);

// The scanned image's path tree (folders, check boxes, row icons) over the files of its root.
class ScanListsWindow : public QWidget {
    Q_OBJECT
public:
    ScanListsWindow();
    ~ScanListsWindow() override;
    // Takes what the scan added since the last call (every post of the scan's notification).
    void refresh();
    // After the scan: expands every folder, fills the table with the root's files.
    void showFinished();
    // Rows of the outline with every folder expanded.
    std::size_t outlineRows() const;

private:
    uimodel::TreeArray rows_;
    std::unique_ptr<app::results::ResultTreeModel> tree_;
    std::unique_ptr<app::results::FileListModel> files_;
    app::QNCustomOutlineView* outline_;
    app::CustomTableView* table_;
    app::NewButton* cell_;
};

}  // namespace gallery
