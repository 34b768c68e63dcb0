#include "app/results/FilePane.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPalette>
#include <QTimer>

#include <climits>

#include "app/base/FileTimeText.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustemSplitView.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/NewButton.h"
#include "app/controls/RFOverlayScroller.h"
#include "app/controls/Theme.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/ListSorting.h"
#include "app/results/ResultViews.h"
#include "app/results/ScanBarLayout.h"
#include "app/results/ScanFollower.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

using thumbview::PreviewPanes;
using uimodel::OpNodeData;
using uimodel::QNUIController;

namespace {

constexpr int kLeftMin = 224;     // the tree pane's narrowest
constexpr int kCellPadding = 16;  // a text cell's margins on both sides

QString SizeAndCount(const char* key, std::uint64_t size, std::uint64_t count) {
    const long long shown = size > static_cast<std::uint64_t>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(size);
    return Text(QLatin1String(key))
        .arg(QString::fromStdString(uimodel::longlongConvertVolSpace(shown)))
        .arg(static_cast<qulonglong>(count));
}

}  // namespace

FilePane::FilePane(QWidget* window, const ScanFollower& scan)
    : QObject(window), m_scan(scan), m_list(std::make_unique<FileListModel>()) {
    setObjectName(QStringLiteral("filePane"));
    for (int tab = 0; tab < kTabs; ++tab) {
        m_models[static_cast<std::size_t>(tab)] = std::make_unique<ResultTreeModel>(arrayFor(tab));
        m_models[static_cast<std::size_t>(tab)]->setShowsCounts(tab != kPathTab);
    }
    auto* split = new CustemSplitView;
    m_view = split;
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    m_tabs = new TreeTabs;
    connect(m_tabs, &TreeTabs::tabChosen, this, &FilePane::selectTab);
    connect(m_tabs, &TreeTabs::rowCheckClicked, this, &FilePane::clickButtonAction);
    showTreeModel(m_tabs->outline(kPathTab), kPathTab);
    showTreeModel(m_tabs->outline(kCreatedTab), kCreatedTab);
    buildTable();
    m_previews = new PreviewPanes(m_list.get(), m_table);
    connect(m_previews, &PreviewPanes::segmentChosen, this, &FilePane::segmentSelect);
    connect(m_previews, &PreviewPanes::checkToggleRequested, this, &FilePane::doSelectItem);
    // Scrollers that take no room: the lists keep their full width, the knob shows while scrolling.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_tabs->outline(kPathTab)),
          static_cast<QAbstractItemView*>(m_tabs->outline(kCreatedTab)), static_cast<QAbstractItemView*>(m_table)})
        new RFOverlayScrollView(view);
    split->addWidget(m_tabs);
    split->addWidget(m_previews);
    m_sorting = new ListSorting(m_list.get(), m_table, m_previews, this);
    split->setStretchFactor(1, 1);
    split->setSizes({kLeftMin + 16, kScanBarDesignWidth - kLeftMin - 16});
    m_tabs->showLooks(m_tab);
    connect(&m_scan, &ScanFollower::stateChanged, this, &FilePane::updateSegmentEnabled);
    updateSegmentEnabled();
}

FilePane::~FilePane() = default;

void FilePane::shutDown() {
    m_previews->shutDown();
    m_tabs->outline(kPathTab)->setModel(nullptr);
    m_tabs->outline(kCreatedTab)->setModel(nullptr);
    m_table->setModel(nullptr);
}

void FilePane::buildTable() {
    m_table = new CustomTableView;
    m_table->setObjectName(QStringLiteral("fileList"));
    m_table->setModel(m_list.get());
    m_table->setRootIsDecorated(false);
    m_table->setUniformRowHeights(true);
    m_table->setItemDelegateForColumn(FileListModel::kCheckBox, new NewButton(m_table));
    m_table->setItemDelegateForColumn(FileListModel::kName, new ImageAndTextCell(m_table));
    m_table->setTextElideMode(Qt::ElideMiddle);
    QHeaderView* header = m_table->header();
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(FileListModel::kCheckBox, 24);
    header->resizeSection(FileListModel::kName, 220);
    header->resizeSection(FileListModel::kSize, 90);
    // The path takes what the window gives; the times are never cut short.
    header->setStretchLastSection(false);
    header->setSectionResizeMode(FileListModel::kPath, QHeaderView::Stretch);
    header->resizeSection(FileListModel::kCreated,
                          WidestFileTimeTextWidth(QFontMetrics(m_table->font())) + kCellPadding);
    connect(header, &QHeaderView::sectionClicked, this, &FilePane::sortByColumn);
    m_selectAll = new QCheckBox(header);
    m_selectAll->setObjectName(QStringLiteral("selectAll"));
    m_selectAll->setGeometry(4, 5, 13, 13);
    m_selectAll->setToolTip(Text(QStringLiteral("PAGE_FOUR_SELECT_ALL_TIP")));
    m_selectAll->setAccessibleName(Text(QStringLiteral("PAGE_FOUR_SELECT_ALL_TIP")));
    connect(m_selectAll, &QCheckBox::clicked, this, [this] { setAllSelectOrNoSelect(); });
    auto* listCell = qobject_cast<NewButton*>(m_table->itemDelegateForColumn(FileListModel::kCheckBox));
    connect(listCell, &NewButton::clickButtonAction, this,
            [this](const QModelIndex& index) { toggleListCheck(index.row()); });
    connect(m_table, &BandedListView::checkRequested, this,
            [this](const QModelIndex& index) { toggleListCheck(index.row()); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { m_table->setRowNum(current.row()); });
}

void FilePane::showTreeModel(ResultOutlineView* outline, int tab) {
    outline->setModel(treeModel(tab));
    // A folder chosen by the mouse or the arrows fills the list.
    connect(outline->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, outline](const QModelIndex& current) {
                if (outline->model() != treeModel(m_tab) || !current.isValid()) return;
                selectItem(static_cast<OpNodeData*>(current.internalPointer()));
            });
}

ResultOutlineView* FilePane::outlineFor(int tab) const { return m_tabs->outline(tab); }

// ----- the scan's steps -----

void FilePane::refreshCurrentTree() {
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), false, treeModel(m_tab));
}

void FilePane::catchUp() {
    refreshCurrentTree();
    refreshListOnly();
}

void FilePane::settle() {
    QTimer::singleShot(1000, this, [this] { ExpandeRootItem(); });
    if (!QNUIController::IsScanRunning()) {
        SelectRootItem();
        showFoundTotals();
    }
    showNoValueNote();
}

void FilePane::showEnded() {
    // What the scan added after the last post (a scan may end before its first one).
    refreshCurrentTree();
    if (m_tab != kPathTab) {
        // The path tree is built once whatever the tab, for the list and the recovery.
        QNUIController::SetViewType(kPathTab);
        QNUIController::RefreshData();
        QNUIController::GetScanTreeNodeData(&arrayFor(kPathTab), false, treeModel(kPathTab));
        QNUIController::SetViewType(m_tab);
    }
    ExpandeRootItem();
    // The scan's own buttons have gone with the focus they held: the keyboard goes on in the results,
    // not on whichever bar button Tab happened to reach.
    QWidget* focused = m_view->window()->focusWidget();
    if (focused == nullptr || !m_view->isAncestorOf(focused)) outlineFor(m_tab)->setFocus(Qt::OtherFocusReason);
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    emit recoverEnabled(count >= 1);
    showFoundTotals();
}

void FilePane::startOver() {
    emptyTrees();
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    QNUIController::UnselectedAllNodes();
    // The list follows what the scan finds; the previews would rebuild under it.
    segmentSelect(PreviewPanes::kList);
    showSelectFilesCountAndSize();
    showNoValueNote();
}

void FilePane::emptyTrees() {
    // The next scan's worker frees the old nodes at once: nothing may point at them.
    m_previews->nodesFreed();
    m_selected = nullptr;
    m_list->setFiles({});
    for (auto& model : m_models) model->clearArray();
}

QWidget* FilePane::restingFocus() const { return outlineFor(m_tab); }

void FilePane::clearChecks() {
    for (auto& array : m_arrays)
        for (std::size_t i = 0; i < array.size(); ++i) array[i]->setNodeState(0);
    // The boxes and the selection label show the checks as they are now.
    for (auto& model : m_models) model->statesChanged();
    m_list->statesChanged();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void FilePane::followPause(bool paused) {
    m_previews->stopLoaders();
    if (paused) {
        // Paused: the tree and the list catch up with what the scan found, checks are allowed.
        refreshCurrentTree();
        refreshListOnly();
    } else {
        clearChecks();
        // A resumed deep scan goes back to the list, which follows what it finds.
        if (QNUIController::IsDeepScan()) segmentSelect(PreviewPanes::kList);
        QTimer::singleShot(500, this, [this] { refashDetailPageData(); });
    }
}

void FilePane::leave() {
    clearChecks();
    m_previews->nodesFreed();
    m_list->setFiles({});
    m_tab = kPathTab;
    QNUIController::SetViewType(kPathTab);
}

void FilePane::updateSegmentEnabled() {
    // A running deep scan rebuilds the rows under the previews (until its tree is built, after a
    // stop too): they switch only while it is paused or once it has ended.
    const ScanState& state = m_scan.state();
    m_previews->setSegmentEnabled(state.kind != ScanKind::Deep || state.phase == ScanPhase::Paused ||
                                  state.phase == ScanPhase::Ended);
}

void FilePane::showFoundTotals() {
    std::uint64_t size = 0;
    std::uint64_t count = 0;
    QNUIController::GetScanFileSize(size, count);
    emit selectionTextChanged(SizeAndCount("PAGE_FOUR_ALL_FILES_SIZE", size, count));
}

// ----- tabs -----

void FilePane::selectTab(int tab) {
    if (tab == m_tab || tab < 0 || tab >= kTabs) {
        m_tabs->showLooks(m_tab);
        return;
    }
    m_tab = tab;
    m_tabs->showLooks(m_tab);
    ResultOutlineView* outline = outlineFor(tab);
    m_tabs->showTree(tab);
    QNUIController::SetViewType(tab);
    m_selected = nullptr;
    m_list->setFiles({});
    uimodel::TreeArray& array = arrayFor(tab);
    const bool running = QNUIController::IsScanRunning();
    bool rebuild = true;
    if (tab == kPathTab) rebuild = array.empty() || QNUIController::IsPause() || !running;
    if (tab == kCreatedTab) rebuild = m_isCreateTimeTreeRebuild || running;
    if (tab == kModifiedTab) rebuild = m_isModifyTimeTreeRebuild || running;
    if (rebuild) {
        QNUIController::RefreshData();
        QNUIController::GetScanTreeNodeData(&array, false, treeModel(tab));
        if (!running) {
            if (tab == kCreatedTab) m_isCreateTimeTreeRebuild = false;
            if (tab == kModifiedTab) m_isModifyTimeTreeRebuild = false;
        }
    }
    if (outline->model() != treeModel(tab)) showTreeModel(outline, tab);
    if (!ScanFollower::runsUnpaused()) {
        if (tab == kTypeTab) QNUIController::RefreshTypeTreeState();
        if (tab >= kCreatedTab) QNUIController::RefreshTimeTreeState(array);
    }
    ExpandeRootItem();
    SelectRootItem();
}

// ----- page data -----

void FilePane::selectItem(OpNodeData* item) {
    m_selected = item;
    m_sorting->forget();
    if (const QModelIndex index = treeModel(m_tab)->indexOf(item); index.isValid()) {
        ResultOutlineView* outline = outlineFor(m_tab);
        QSignalBlocker blocker(outline->selectionModel());
        outline->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        outline->setSelectCellBackgroundColorWithRow(outline->visualRowOf(index));
    }
    refashDetailPageData();
}

void FilePane::refashDetailPageData() {
    uimodel::FileNodeList files;
    if (m_selected) QNUIController::GetFileNodeToArray(files, m_selected);
    m_list->setFiles(std::move(files));
    m_previews->rowsChanged();
    m_sorting->rowsRefilled();
    m_table->setRowNum(-1);
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void FilePane::refreshListOnly() {
    if (!m_selected) return;
    uimodel::FileNodeList files;
    QNUIController::GetFileNodeToArray(files, m_selected);
    // A sorted list keeps its order until the folder is chosen again.
    if (m_sorting->keepsRows(files.size())) return;
    m_list->refreshFiles(std::move(files));
    m_sorting->sortAgain();
    m_previews->rowsGrew();
}

void FilePane::SelectRootItem() {
    uimodel::TreeArray& array = arrayFor(m_tab);
    if (array.empty()) return;
    if (!m_selected) selectItem(array[0]);
}

void FilePane::ExpandeRootItem() {
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

void FilePane::showNoValueNote() {
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

void FilePane::countListedFiles(std::uint64_t& listed, std::uint64_t& deleted) const {
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

void FilePane::sortByColumn(int column) {
    if (!ScanFollower::runsUnpaused()) m_sorting->sortBy(column);
}

// ----- checks -----

int FilePane::GetCellNodeState(OpNodeData* item) const {
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

void FilePane::changeSelectAllButtonState() {
    const int state = GetCellNodeState(m_selected);
    m_selectAll->setCheckState(state == 0 ? Qt::Unchecked : state == 2 ? Qt::Checked : Qt::PartiallyChecked);
}

void FilePane::showSelectFilesCountAndSize() {
    if (ScanFollower::runsUnpaused()) {
        showNoValueNote();
        return;
    }
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    if (m_scan.state().phase == ScanPhase::Ended || QNUIController::IsPause()) emit recoverEnabled(count >= 1);
    emit selectionTextChanged(SizeAndCount("PAGE_FOUR_SELECT_FILES", size, count));
    showNoValueNote();
}

void FilePane::checkRefresh() {
    emit recoverWanted();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
    if (m_tab == kModifiedTab) QNUIController::RefreshTimeTreeState(arrayFor(kModifiedTab));
    if (m_tab == kCreatedTab) QNUIController::RefreshTimeTreeState(arrayFor(kCreatedTab));
    if (m_tab == kTypeTab) QNUIController::RefreshTypeTreeState();
    treeModel(m_tab)->statesChanged();
    m_list->statesChanged();
    m_previews->checksChanged();
}

void FilePane::toggleListCheck(int row) {
    if (ScanFollower::runsUnpaused()) return;
    IFileNode* file = m_list->fileAt(row);
    if (!file) return;
    // The engine carries a file's state up its folders; the view-only folders follow below.
    OpNodeData::setFileNode(file, OpNodeData::fileNodeState(file) == 2 ? 0 : 2);
    checkRefresh();
}

void FilePane::setAllSelectOrNoSelect() {
    if (m_list->rowCount() == 0 || ScanFollower::runsUnpaused()) {
        changeSelectAllButtonState();
        return;
    }
    const int state = GetCellNodeState(m_selected) == 2 ? 0 : 2;
    for (IFileNode* file : m_list->files())
        if (!OpNodeData::isFileNodeDirect(file)) OpNodeData::setFileNode(file, state);
    checkRefresh();
}

void FilePane::clickButtonAction(OpNodeData* item) {
    if (!item || ScanFollower::runsUnpaused()) return;
    item->setNodeState(item->state() == 2 ? 0 : 2);
    checkRefresh();
    m_list->statesChanged();
    changeSelectAllButtonState();
}

// ----- the list, cover-flow and grid switch, and the grid's check box -----

void FilePane::segmentSelect(int segment) {
    // Both loaders stop (without waiting) whether or not the segment changes.
    if (!m_previews->showSegment(segment)) return;
    for (int tab : {kPathTab, kCreatedTab}) outlineFor(tab)->viewport()->update();
    showNoValueNote();
    updateSegmentEnabled();
    // The new view fills in from the current rows.
    m_previews->rowsChanged();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void FilePane::doSelectItem(int row) {
    // The list's own check path: refused while the scan runs unpaused, then the check refresh.
    toggleListCheck(row);
}

void FilePane::reLoadCollectionViewData() {
    if (QNUIController::IsScanRunning()) return;
    checkRefresh();
}

// ----- the search's steps -----

void FilePane::clearForSearch() {
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    emptyTrees();
    QNUIController::UnselectedAllNodes();
    m_table->changeNoValue(true);
}

void FilePane::refillSearchTree() {
    treeModel(m_tab)->clearArray();
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), true, treeModel(m_tab));
}

void FilePane::showWholeScan() {
    refillSearchTree();
    ExpandeRootItem();
    SelectRootItem();
}

void FilePane::showSearchHits(std::vector<IFileNode*> hits) {
    ExpandeRootItem();
    m_selected = nullptr;
    m_sorting->forget();
    m_list->setFiles(std::move(hits));
    m_table->setRowNum(-1);
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
    showNoValueNote();
}

}  // namespace app::results
