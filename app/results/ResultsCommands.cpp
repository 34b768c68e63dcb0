// The results window's commands: back home, deep scan, pause and resume, stop, close, the tabs,
// the list's sorting and the checks, with the page refresh every one of them ends with.
#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CheckBoxImage.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/DeepScanOffer.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultViews.h"
#include "app/results/ScanBar.h"
#include "app/results/TreeTabs.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

using uimodel::OpNodeData;
using uimodel::QNUIController;

namespace {}

bool QNDeletailWindowController::scanRunsUnpaused() const {
    return QNUIController::IsScanRunning() && !QNUIController::IsPause();
}

ResultOutlineView* QNDeletailWindowController::outlineFor(int tab) const { return m_tabs->outline(tab); }

void QNDeletailWindowController::emptyTrees() {
    // The next scan's worker frees the old nodes at once: nothing may point at them.
    m_previews->nodesFreed();
    m_selected = nullptr;
    m_list->setFiles({});
    for (auto& model : m_models) model->clearArray();
}

void QNDeletailWindowController::clearChecks() {
    for (auto& array : m_arrays)
        for (std::size_t i = 0; i < array.size(); ++i) array[i]->setNodeState(0);
}

// ----- back home, close -----

void QNDeletailWindowController::backButtonAction() {
    if (m_isCloseWindow || !m_isCanClick) return;
    if (!QNUIController::IsScanRunning()) {
        doBackHomeAction(1);
        return;
    }
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_BACKHOME"), [this](int code) {
        if (code != 0) {
            clearChecks();
            m_isPause = false;
            for (TCImageButton* b : {m_bar->home(), m_bar->play(), m_bar->stop(), m_bar->recover()})
                b->setButtonEnabled(false);
            QNUIController::StopScan(1);
            m_isCanClick = false;
            m_isSelectBackHome = true;
            updateScanButtons();
            if (!QNUIController::IsScanRunning()) doBackHomeAction(1);
            return;
        }
        if (!m_isPause && QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_isCanClick = true;
        updateScanButtons();
    });
}

void QNDeletailWindowController::doBackHomeAction(int) {
    clearChecks();
    NotificationCenter::instance().post(QStringLiteral("SetLangauageMemu"));
    m_previews->nodesFreed();
    m_list->setFiles({});
    m_tab = kPathTab;
    QNUIController::SetViewType(kPathTab);
    m_bar->showStillLabels();
    NotificationCenter::instance().removeObserver(this);
    m_following = false;
    m_watch->stop();
    m_offer->hide();
    setFadesOnClose(false);
    hide();
    // The start page is the shell's; it asks for it a moment later, as the window has gone.
    QTimer::singleShot(200, this, [this] { emit backHomeRequested(); });
}

void QNDeletailWindowController::closeWindow() {
    if (m_isCloseWindow) return;
    if (!QNUIController::IsScanRunning()) {
        close();
        return;
    }
    const bool userPaused = m_isPause;
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this, userPaused](int code) {
        if (code != 0) {
            QNUIController::StopScan(1);
            m_isCanClick = false;
            m_isCloseWindow = true;
            m_isPause = false;
            for (TCImageButton* b : {m_bar->home(), m_bar->pause(), m_bar->stop(), m_bar->play()})
                b->setButtonEnabled(false);
            getScanProgress();
            return;
        }
        if (!userPaused && QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_isCanClick = true;
        updateScanButtons();
    });
}

// ----- pause, stop, deep scan -----

void QNDeletailWindowController::pauseButtonClick() {
    if (!m_isCanClick) return;
    QNUIController::PauseOrResumeScan();
    if (!QNUIController::IsScanRunning()) {
        // The scan ended meanwhile: the finished state, not a toggle.
        m_isPause = false;
        QNUIController::StopScan(1);
        m_isCanClick = false;
        getScanProgress();
        return;
    }
    m_isPause = !m_isPause;
    m_isDeepScan = QNUIController::IsDeepScan();
    if (!m_isPause) {
        clearChecks();
        m_bar->showPaused(false);
        // A resumed deep scan goes back to the list, which follows what it finds.
        if (m_isDeepScan) segmentSelect(thumbview::PreviewPanes::kList);
        QTimer::singleShot(500, this, [this] { refashDetailPageData(); });
    } else {
        m_isCanClick = true;
        m_bar->showPaused(true);
        // Paused: the tree and the list catch up with what the scan found, checks are allowed.
        refreshCurrentTree();
        refreshListOnly();
    }
    updateSegmentEnabled();
    updateScanButtons();
}

void QNDeletailWindowController::stopButtonClick() {
    if (m_isCloseWindow || !m_isCanClick) return;
    if (!m_isPause && !QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this](int code) {
        if (code != 0) {
            clearChecks();
            if (m_bar->recover()->isVisible() && m_isPause) m_bar->slideRecoverOut();
            m_isPause = false;
            m_bar->search()->setSearchEnabled(false);
            m_bar->recover()->hide();
            for (TCImageButton* b : {m_bar->pause(), m_bar->play(), m_bar->stop(), m_bar->home()})
                b->setButtonEnabled(false);
            m_isCanClick = false;
            QTimer::singleShot(500, this, [this] { stopAction(); });
            return;
        }
        if (m_isPause) return;
        if (QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_isCanClick = true;
        updateScanButtons();
    });
}

void QNDeletailWindowController::stopAction() {
    QNUIController::StopScan(0);
    getScanProgress();
    m_isCanClick = false;
    m_bar->play()->setButtonEnabled(false);
    updateScanButtons();
}

void QNDeletailWindowController::deepSrcanButtonAction() {
    clearChecks();
    m_offer->hide();
    m_isCanClick = true;
    m_isPause = false;
    m_isDeepScan = true;
    m_finished = false;
    m_bar->showScanStarting();
    emptyTrees();
    showNoValueNote();
    layoutBar();
    QTimer::singleShot(200, this, [this] { doDeepScanAction(); });
}

void QNDeletailWindowController::doDeepScanAction() {
    m_selected = nullptr;
    QNUIController::UnselectedAllNodes();
    showSelectFilesCountAndSize();
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    QNUIController::ResetShouldBuild();
    NotificationCenter::instance().removeObserver(this, QStringLiteral("NormalScranValue"));
    NotificationCenter::instance().addObserver(this, QStringLiteral("NormalScranValue"),
                                               [this](const QVariantMap&) { dataInitFinished(); });
    m_following = true;
    QNUIController::DoDeepScan("NormalScranValue");
    m_watch->start();
    updateScanButtons();
}

// ----- tabs -----

void QNDeletailWindowController::updateTabLooks() { m_tabs->showLooks(m_tab); }

void QNDeletailWindowController::selectTab(int tab) {
    if (tab == m_tab || tab < 0 || tab >= kTabs) {
        updateTabLooks();
        return;
    }
    m_tab = tab;
    updateTabLooks();
    ResultOutlineView* outline = outlineFor(tab);
    m_tabs->showTree(tab);
    QNUIController::SetViewType(tab);
    m_selected = nullptr;
    m_list->setFiles({});
    uimodel::TreeArray& array = arrayFor(tab);
    const bool paused = QNUIController::IsPause();
    bool rebuild = true;
    if (tab == kPathTab) rebuild = array.empty() || paused || !QNUIController::IsScanRunning();
    if (tab == kCreatedTab) rebuild = m_isCreateTimeTreeRebuild || QNUIController::IsScanRunning();
    if (tab == kModifiedTab) rebuild = m_isModifyTimeTreeRebuild || QNUIController::IsScanRunning();
    if (rebuild) {
        QNUIController::RefreshData();
        QNUIController::GetScanTreeNodeData(&array, false, treeModel(tab));
        if (!QNUIController::IsScanRunning()) {
            if (tab == kCreatedTab) m_isCreateTimeTreeRebuild = false;
            if (tab == kModifiedTab) m_isModifyTimeTreeRebuild = false;
        }
    }
    if (outline->model() != treeModel(tab)) showTreeModel(outline, tab);
    if (!scanRunsUnpaused()) {
        if (tab == kTypeTab) QNUIController::RefreshTypeTreeState();
        if (tab >= kCreatedTab) QNUIController::RefreshTimeTreeState(array);
    }
    ExpandeRootItem();
    SelectRootItem();
}

// ----- page data -----

void QNDeletailWindowController::selectItem(OpNodeData* item) {
    m_selected = item;
    reLoadTableVolumnIndicatorImage();
    if (const QModelIndex index = treeModel(m_tab)->indexOf(item); index.isValid()) {
        ResultOutlineView* outline = outlineFor(m_tab);
        QSignalBlocker blocker(outline->selectionModel());
        outline->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        outline->setSelectCellBackgroundColorWithRow(outline->visualRowOf(index));
    }
    refashDetailPageData();
}

void QNDeletailWindowController::refashDetailPageData() {
    uimodel::FileNodeList files;
    if (m_selected) QNUIController::GetFileNodeToArray(files, m_selected);
    m_list->setFiles(std::move(files));
    m_previews->rowsChanged();
    m_isSorted = false;
    m_table->setRowNum(-1);
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void QNDeletailWindowController::refreshListOnly() {
    if (!m_selected) return;
    uimodel::FileNodeList files;
    QNUIController::GetFileNodeToArray(files, m_selected);
    // A sorted list keeps its order until the folder is chosen again.
    if (m_sortedColumn >= 0 && files.size() == m_list->files().size()) return;
    m_list->refreshFiles(std::move(files));
    if (m_sortedColumn >= 0) m_list->sortBy(m_sortedColumn, !m_isSorted);
    m_previews->rowsGrew();
}

void QNDeletailWindowController::SelectRootItem() {
    uimodel::TreeArray& array = arrayFor(m_tab);
    if (array.empty()) return;
    if (!m_selected) selectItem(array[0]);
}

void QNDeletailWindowController::ExpandeRootItem() {
    uimodel::TreeArray& array = arrayFor(m_tab);
    ResultTreeModel* model = treeModel(m_tab);
    ResultOutlineView* outline = outlineFor(m_tab);
    if (outline->model() != model) return;
    const std::size_t count = m_tab == kTypeTab ? std::min<std::size_t>(1, array.size()) : array.size();
    for (std::size_t i = 0; i < count; ++i) {
        // A card keeps its photos folders deep (DCIM/100CANON): rows that hold a single row open
        // down to where the tree branches, so the folder of the files shows without a search.
        for (QModelIndex row = model->indexOf(array[i]); row.isValid();
             row = model->rowCount(row) == 1 ? model->index(0, 0, row) : QModelIndex())
            outline->expand(row);
    }
}

void QNDeletailWindowController::showNoValueNote() {
    // A search's own result list (no folder chosen in its trees) that is empty found nothing:
    // choosing a folder would not help.
    const bool searchFoundNothing =
        !QNUIController::GetSearchString().empty() && !m_selected && m_list->rowCount() == 0;
    const QString note =
        searchFoundNothing ? QStringLiteral("DYD_FOUR_NO_MATCH_NOTE") : QStringLiteral("DYD_FOUR_NO_VALUE_NOTE");
    const bool hasValues = m_list->rowCount() > 0 || (arrayFor(kPathTab).empty() && !searchFoundNothing);
    m_table->changeNoValue(hasValues, note);
    m_previews->changeNoValue(hasValues, note);
}

void QNDeletailWindowController::countListedFiles(std::uint64_t& listed, std::uint64_t& deleted) const {
    listed = deleted = 0;
    const uimodel::TreeArray& array = m_arrays[kPathTab];
    std::vector<OpNodeData*> stack;
    for (std::size_t i = 0; i < array.size(); ++i) stack.push_back(array[i]);
    uimodel::FileNodeList files;
    while (!stack.empty()) {
        OpNodeData* item = stack.back();
        stack.pop_back();
        files.clear();
        QNUIController::GetFileNodeToArray(files, item);
        listed += files.size();
        for (IFileNode* file : files) deleted += OpNodeData::isFileNodeDeleted(file) ? 1 : 0;
        for (std::size_t i = 0; i < item->childCount(); ++i)
            if (OpNodeData* child = item->childItem(i)) stack.push_back(child);
    }
}

// ----- sorting -----

void QNDeletailWindowController::sortByColumn(int column) {
    if (scanRunsUnpaused()) return;
    if (column != FileListModel::kCheckBox) m_list->sortBy(column, m_isSorted);
    if (column != FileListModel::kCheckBox) m_previews->rowsChanged();
    if (auto* header = qobject_cast<CustomHeaderCell*>(m_table->header()))
        header->setSortAscending(column, m_isSorted, 0);
    m_table->header()->setSortIndicatorShown(true);
    m_table->header()->setSortIndicator(column, m_isSorted ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_sortedColumn = column == FileListModel::kCheckBox ? -1 : column;
    m_isSorted = !m_isSorted;
    m_table->viewport()->update();
}

void QNDeletailWindowController::reLoadTableVolumnIndicatorImage() {
    for (CustomTableView* table : {m_table, m_previews->coverFlowerTableView()}) {
        if (!table) continue;
        if (auto* header = qobject_cast<CustomHeaderCell*>(table->header())) header->clearSortIndicator();
        table->header()->setSortIndicatorShown(false);
    }
    m_sortedColumn = -1;
}

// ----- checks -----

int QNDeletailWindowController::GetCellNodeState(OpNodeData* item) const {
    uimodel::FileNodeList files;
    if (item)
        QNUIController::GetFileNodeToArray(files, item);
    else
        files = m_list->files();
    long long sum = 0;
    long long count = 0;
    if (item && item->isFadeNode() && !item->parent()) {
        for (std::size_t i = 0; i < item->childCount(); ++i) {
            if (OpNodeData* child = item->childItem(i)) {
                sum += child->state();
                ++count;
            } else if (IFileNode* node = item->childNode(i); node && !OpNodeData::isFileNodeDirect(node)) {
                sum += OpNodeData::fileNodeState(node);
                ++count;
            }
        }
    } else {
        for (IFileNode* file : files) {
            if (OpNodeData::isFileNodeDirect(file)) continue;
            sum += OpNodeData::fileNodeState(file);
            ++count;
        }
    }
    if (sum == 0) return 0;
    return sum == 2 * count ? 2 : 1;
}

void QNDeletailWindowController::changeSelectAllButtonState() {
    const int state = GetCellNodeState(m_selected);
    m_selectAllImage = CheckBoxImageName(state);
    m_selectAll->setCheckState(state == 0 ? Qt::Unchecked : state == 2 ? Qt::Checked : Qt::PartiallyChecked);
}

void QNDeletailWindowController::showSelectFilesCountAndSize() {
    if (scanRunsUnpaused()) {
        showNoValueNote();
        return;
    }
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    if (m_finished || QNUIController::IsPause()) m_bar->recover()->setButtonEnabled(count >= 1);
    const long long shown = size > static_cast<std::uint64_t>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(size);
    m_bar->setSelectionText(Text(QStringLiteral("PAGE_FOUR_SELECT_FILES"))
                                .arg(QString::fromStdString(uimodel::longlongConvertVolSpace(shown)))
                                .arg(static_cast<qulonglong>(count)));
    showNoValueNote();
}

void QNDeletailWindowController::checkRefresh() {
    showRecoveryButton();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
    if (m_tab == kModifiedTab) QNUIController::RefreshTimeTreeState(arrayFor(kModifiedTab));
    if (m_tab == kCreatedTab) QNUIController::RefreshTimeTreeState(arrayFor(kCreatedTab));
    if (m_tab == kTypeTab) QNUIController::RefreshTypeTreeState();
    treeModel(m_tab)->statesChanged();
    m_list->statesChanged();
    m_previews->checksChanged();
}

void QNDeletailWindowController::toggleListCheck(int row) {
    if (scanRunsUnpaused()) return;
    IFileNode* file = m_list->fileAt(row);
    if (!file) return;
    // The engine carries a file's state up its folders; the view-only folders follow below.
    OpNodeData::setFileNode(file, OpNodeData::fileNodeState(file) == 2 ? 0 : 2);
    checkRefresh();
}

void QNDeletailWindowController::setAllSelectOrNoSelect() {
    if (m_list->rowCount() == 0 || scanRunsUnpaused()) {
        changeSelectAllButtonState();
        return;
    }
    const int state = GetCellNodeState(m_selected) == 2 ? 0 : 2;
    for (IFileNode* file : m_list->files())
        if (!OpNodeData::isFileNodeDirect(file)) OpNodeData::setFileNode(file, state);
    checkRefresh();
}

void QNDeletailWindowController::clickButtonAction(OpNodeData* item) {
    if (!item || scanRunsUnpaused()) return;
    item->setNodeState(item->state() == 2 ? 0 : 2);
    checkRefresh();
    m_list->statesChanged();
    changeSelectAllButtonState();
}

void QNDeletailWindowController::showRecoveryButton() {
    double percent = 0;
    std::uint64_t count = 0;
    QNUIController::GetScanProgress(percent, count);
    m_bar->slideRecoverIn(m_finished, percent);
}

}  // namespace app::results
