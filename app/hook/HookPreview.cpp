#include "app/hook/HookPreview.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <vector>

#include "app/base/LaunchOptions.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/FilePane.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::thumbview {

namespace {

constexpr int kPollMs = 100;
constexpr int kGiveUpMs = 60000;

using uimodel::OpNodeData;

// Depth first, in the tree's order: the first folder whose list is not empty.
OpNodeData* FirstFolderWithFiles(results::ResultTreeModel& tree) {
    std::vector<OpNodeData*> stack;
    for (int row = tree.rowCount() - 1; row >= 0; --row)
        stack.push_back(static_cast<OpNodeData*>(tree.index(row, 0).internalPointer()));
    uimodel::FileNodeList files;
    while (!stack.empty()) {
        OpNodeData* item = stack.back();
        stack.pop_back();
        if (!item) continue;
        files.clear();
        uimodel::QNUIController::GetFileNodeToArray(files, item);
        if (!files.empty()) return item;
        for (std::size_t i = item->childCount(); i-- > 0;)
            if (OpNodeData* child = item->childItem(i)) stack.push_back(child);
    }
    return nullptr;
}

}  // namespace

bool HookWantsPreview(const LaunchOptions& options) { return options.grid || options.coverflow >= 0; }

QString HookThumbsField(int thumbs) { return QStringLiteral(" thumbs=%1").arg(thumbs); }

void ShowHookPreview(results::QNDeletailWindowController& window, const LaunchOptions& options,
                     std::function<void(int thumbs)> done) {
    if (!HookWantsPreview(options)) return;
    if (window.filePane()->currentTab() != results::QNDeletailWindowController::kPathTab)
        window.filePane()->selectTab(results::QNDeletailWindowController::kPathTab);
    if (OpNodeData* folder =
            FirstFolderWithFiles(*window.filePane()->treeModel(results::QNDeletailWindowController::kPathTab)))
        window.filePane()->selectItem(folder);
    PreviewPanes* previews = window.filePane()->previews();
    if (options.grid) {
        window.filePane()->segmentSelect(PreviewPanes::kGrid);
    } else {
        window.filePane()->segmentSelect(PreviewPanes::kCoverFlow);
        previews->selectedCoverFlow(options.coverflow);
        emit previews->coverFlowView()->didSelectItemAtIndex(previews->coverFlowView()->selectedIndex());
    }
    // Settled twice in a row: the last delivered thumbnails have been drawn in between.
    auto* poll = new QTimer(previews);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto settledOnce = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, previews, [poll, previews, clock, settledOnce, done] {
        const bool settled = previews->previewSettled();
        if (!(settled && *settledOnce) && clock->elapsed() < kGiveUpMs) {
            *settledOnce = settled;
            return;
        }
        poll->stop();
        poll->deleteLater();
        done(previews->realThumbnailsShown());
    });
    poll->start(kPollMs);
}

}  // namespace app::thumbview
