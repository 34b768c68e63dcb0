// The results window's list, cover-flow and grid switch, and the grid's check box.
#include "app/controls/BandedListView.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultViews.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

using thumbview::PreviewPanes;
using uimodel::QNUIController;

QWidget* QNDeletailWindowController::buildPreviews() {
    m_previews = new PreviewPanes(m_list.get(), m_table);
    connect(m_previews, &PreviewPanes::segmentChosen, this, &QNDeletailWindowController::segmentSelect);
    connect(m_previews, &PreviewPanes::checkToggleRequested, this, &QNDeletailWindowController::doSelectItem);
    return m_previews;
}

void QNDeletailWindowController::segmentSelect(int segment) {
    // Both loaders stop (without waiting) whether or not the segment changes.
    if (!m_previews->showSegment(segment)) return;
    for (int tab : {kPathTab, kCreatedTab}) outlineFor(tab)->viewport()->update();
    showNoValueNote();
    if (!QNUIController::IsScanRunning()) m_previews->setSegmentEnabled(true);
    // The new view fills in from the current rows.
    m_previews->rowsChanged();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void QNDeletailWindowController::updateSegmentEnabled() {
    // A running deep scan rebuilds the rows under the previews: they switch only while it is paused
    // or once it has ended.
    const bool deepRunning = m_isDeepScan && QNUIController::IsScanRunning() && !QNUIController::IsPause();
    m_previews->setSegmentEnabled(!deepRunning);
}

void QNDeletailWindowController::doSelectItem(int row) {
    // The list's own check path: refused while the scan runs unpaused, then the check refresh.
    toggleListCheck(row);
}

void QNDeletailWindowController::reLoadCollectionViewData() {
    if (QNUIController::IsScanRunning()) return;
    checkRefresh();
}

}  // namespace app::results
