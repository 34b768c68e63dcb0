#include "app/results/QNDeletailWindowController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/base/FileTimeText.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CheckBoxImage.h"
#include "app/controls/CustemSplitView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/NewButton.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/RFOverlayScroller.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/controls/Theme.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/DeepScanOffer.h"
#include "app/results/ListSorting.h"
#include "app/results/ResultViews.h"
#include "app/results/ResultsExport.h"
#include "app/results/ResultsRecovery.h"
#include "app/results/ResultsSearch.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanBarLayout.h"
#include "app/results/ScanFollower.h"
#include "app/results/TreeTabs.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::results {

using theme::FlipFrame;
using uimodel::OpNodeData;
using uimodel::QNUIController;

namespace {

constexpr int kBarHeight = kScanBarHeight;
constexpr int kDesignWidth = kScanBarDesignWidth;
constexpr int kLeftMin = 224;     // the tree pane's narrowest
constexpr int kCellPadding = 16;  // a text cell's margins on both sides

}  // namespace

QNDeletailWindowController::QNDeletailWindowController(QWidget* parent)
    : TCImageWindow(parent), m_list(std::make_unique<FileListModel>()) {
    for (int tab = 0; tab < kTabs; ++tab) {
        m_models[static_cast<std::size_t>(tab)] = std::make_unique<ResultTreeModel>(arrayFor(tab));
        m_models[static_cast<std::size_t>(tab)]->setShowsCounts(tab != kPathTab);
    }
    setTitleBarHeight(kBarHeight);
    setTrafficLightButtonsLeftMargin(13);
    setTopButtonMoveUp(35);
    setWindowTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")));
    NotificationCenter::instance().addObserver(this, QStringLiteral("RefreshDetachDevice"),
                                               [this](const QVariantMap& payload) { refreshDevice(payload); });
    buildContent();
    buildBar();
    buildParts();
    m_isDeepScan = QNUIController::IsDeepScan();
    m_previews->setSegmentEnabled(!m_isDeepScan);
    resize(kDesignWidth, 650);
    setMinimumSize(kDesignWidth, 650);
}

QNDeletailWindowController::~QNDeletailWindowController() {
    NotificationCenter::instance().removeObserver(this);
    delete m_offer;
    // No thumbnail may still be read from the nodes; the views go before the models they show.
    m_previews->shutDown();
    m_tabs->outline(kPathTab)->setModel(nullptr);
    m_tabs->outline(kCreatedTab)->setModel(nullptr);
    m_table->setModel(nullptr);
}

void QNDeletailWindowController::buildContent() {
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor(theme::kBackdrop));
    content->setPalette(palette);

    m_split = new CustemSplitView(content);
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(1);

    m_tabs = new TreeTabs;
    connect(m_tabs, &TreeTabs::tabChosen, this, &QNDeletailWindowController::selectTab);
    connect(m_tabs, &TreeTabs::rowCheckClicked, this, &QNDeletailWindowController::clickButtonAction);
    showTreeModel(m_tabs->outline(kPathTab), kPathTab);
    showTreeModel(m_tabs->outline(kCreatedTab), kCreatedTab);

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
    connect(header, &QHeaderView::sectionClicked, this, &QNDeletailWindowController::sortByColumn);
    m_selectAll = new QCheckBox(header);
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

    // Scrollers that take no room: the lists keep their full width, the knob shows while scrolling.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_tabs->outline(kPathTab)),
          static_cast<QAbstractItemView*>(m_tabs->outline(kCreatedTab)), static_cast<QAbstractItemView*>(m_table)})
        new RFOverlayScrollView(view);
    m_split->addWidget(m_tabs);
    m_split->addWidget(buildPreviews());
    m_sorting = new ListSorting(m_list.get(), m_table, m_previews, this);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({kLeftMin + 16, kDesignWidth - kLeftMin - 16});
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_split);
    setContentView(content);

    updateTabLooks();
}

void QNDeletailWindowController::showTreeModel(ResultOutlineView* outline, int tab) {
    outline->setModel(treeModel(tab));
    // A folder chosen by the mouse or the arrows fills the list.
    connect(outline->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, outline](const QModelIndex& current) {
                if (outline->model() != treeModel(m_tab) || !current.isValid()) return;
                selectItem(static_cast<uimodel::OpNodeData*>(current.internalPointer()));
            });
}

void QNDeletailWindowController::buildBar() {
    m_bar = new ScanBar(this);
    setTitleBarView(m_bar);
    connect(m_bar->home(), &QAbstractButton::clicked, this, &QNDeletailWindowController::backButtonAction);
    connect(m_bar->deepScan(), &QAbstractButton::clicked, this, &QNDeletailWindowController::deepSrcanButtonAction);
    connect(m_bar->pause(), &QAbstractButton::clicked, this, &QNDeletailWindowController::pauseButtonClick);
    connect(m_bar->play(), &QAbstractButton::clicked, this, &QNDeletailWindowController::pauseButtonClick);
    connect(m_bar->stop(), &QAbstractButton::clicked, this, &QNDeletailWindowController::stopButtonClick);
    connect(m_bar, &ScanBar::exportRequested, this, &QNDeletailWindowController::exportButtonAction);

    orderTabStops();
    layoutBar();
}

void QNDeletailWindowController::buildParts() {
    m_offer = new DeepScanOffer(this, m_bar);
    m_follower = new ScanFollower(this);
    connect(m_follower, &ScanFollower::stepped, this, &QNDeletailWindowController::dataInitFinished);
    connect(m_follower, &ScanFollower::listChanged, this, &QNDeletailWindowController::refreshListOnly);

    m_recovery = new ResultsRecovery(this, m_bar->recover());
    connect(m_recovery, &ResultsRecovery::fileDialogOpened, this, &QNDeletailWindowController::fileDialogOpened);
    connect(m_recovery, &ResultsRecovery::sheetOpened, this, &QNDeletailWindowController::sheetOpened);
    connect(m_recovery, &ResultsRecovery::noteShown, this, &QNDeletailWindowController::noteShown);
    connect(m_recovery, &ResultsRecovery::recoveryDialogOpened, this,
            &QNDeletailWindowController::recoveryDialogOpened);
    connect(m_recovery, &ResultsRecovery::recoveryEnded, this, &QNDeletailWindowController::recoveryEnded);

    m_search = new ResultsSearch(
        this, m_bar->search(),
        {[this] { return !scanRunsUnpaused(); }, [this] { clearForSearch(); }, [this] { refillSearchTree(); },
         [this](std::vector<IFileNode*> hits) { showSearchHits(std::move(hits)); }});

    m_export = new ResultsExport(this, [this] { return m_isDeepScan; });
    connect(m_export, &ResultsExport::fileDialogOpened, this, &QNDeletailWindowController::fileDialogOpened);
    connect(m_export, &ResultsExport::sheetOpened, this, &QNDeletailWindowController::sheetOpened);
    connect(m_export, &ResultsExport::scanSaved, this, &QNDeletailWindowController::scanSaved);
}

void QNDeletailWindowController::setClock(std::function<qint64()> clock) { m_bar->setClock(std::move(clock)); }

void QNDeletailWindowController::layoutBar() {
    if (m_bar) m_bar->layoutParts(m_finished, m_follower && m_follower->isFollowing());
}

void QNDeletailWindowController::resizeEvent(QResizeEvent* event) {
    TCImageWindow::resizeEvent(event);
    layoutBar();
    if (m_follower->isFollowing()) {
        double percent = 0;
        std::uint64_t count = 0;
        QNUIController::GetScanProgress(percent, count);
        m_bar->showProgressValue(percent);
    }
    m_offer->follow();
}

void QNDeletailWindowController::setSelectDiskVolumeData(std::unique_ptr<uimodel::DiskVolumeNodeData> item) {
    m_item = std::move(item);
}

void QNDeletailWindowController::observeScan() {
    m_follower->observe();
    m_recovery->observe();
    m_search->observe();
}

void QNDeletailWindowController::stopObserving() {
    NotificationCenter::instance().removeObserver(this);
    m_follower->stopObserving();
    m_recovery->stopObserving();
    m_search->stopObserving();
}

void QNDeletailWindowController::getData() {
    emptyTrees();
    m_search->forget();
    m_isDeepScan = false;
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    m_finished = false;
    observeScan();
    // A refused scan shows the finished state of an empty one at the watch's first look.
    m_follower->start();
    QNUIController::DoScanWithData(m_item.get(), ScanFollower::kScanPost);
    updateScanButtons();
}

void QNDeletailWindowController::getImportData(const QString&) {
    m_isImport = true;
    m_bar->showImport();
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    QNUIController::RestorPostUIUpdate(ScanFollower::kScanPost, false);
    observeScan();
    m_follower->start();
}

void QNDeletailWindowController::clearImportData() {
    stopObserving();
    m_follower->stopWatch();
}

void QNDeletailWindowController::refreshCurrentTree() {
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), false, treeModel(m_tab));
}

void QNDeletailWindowController::dataInitFinished() {
    if (!m_follower->isFollowing()) return;
    refreshCurrentTree();
    refreshListOnly();
    getScanProgress();
    QTimer::singleShot(1000, this, [this] { ExpandeRootItem(); });
    if (!QNUIController::IsScanRunning()) {
        SelectRootItem();
        setFoundAllFiles();
    }
    showNoValueNote();
}

void QNDeletailWindowController::getScanProgress() {
    m_isDeepScan = QNUIController::IsDeepScan();
    double percent = 0;
    std::uint64_t count = 0;
    const QString remaining = QString::fromStdString(QNUIController::GetScanProgress(percent, count));
    m_bar->showProgress(percent, count, remaining);
    emit progressShown(percent < 1.0 ? 0 : static_cast<int>(percent));
    if (!QNUIController::IsScanRunning() && m_follower->isFollowing()) showFinishedState();
    updateSegmentEnabled();
    updateScanButtons();
}

void QNDeletailWindowController::showFinishedState() {
    const bool stopped = QNUIController::WasScanStopped();
    m_follower->end();
    // What the scan added after the last post (a scan may end before its first one).
    refreshCurrentTree();
    if (m_tab != kPathTab) {
        // The path tree is built once whatever the tab, for the list and the recovery.
        QNUIController::SetViewType(kPathTab);
        QNUIController::RefreshData();
        QNUIController::GetScanTreeNodeData(&arrayFor(kPathTab), false, treeModel(kPathTab));
        QNUIController::SetViewType(m_tab);
    }
    // A stop cleared the checks and hid the recover button: it comes back with the next check.
    m_bar->showFinished(!stopped);
    m_finished = true;
    createExportButton(m_isDeepScan);
    layoutBar();
    if (!m_isDeepScan && !m_isImport) {
        m_bar->showDeepScanButton();
        m_offer->show();
    }
    ExpandeRootItem();
    // The scan's own buttons have gone with the focus they held: the keyboard goes on in the results,
    // not on whichever bar button Tab happened to reach.
    if (QWidget* focused = focusWidget(); focused == nullptr || !m_split->isAncestorOf(focused))
        outlineFor(m_tab)->setFocus(Qt::OtherFocusReason);
    m_isCanClick = true;
    if (m_isCloseWindow) {
        hide();
        NotificationCenter::instance().post(QStringLiteral("appWillTerminate"));
        emit scanEnded(stopped);
        return;
    }
    if (m_isSelectBackHome) {
        doBackHomeAction(1);
        emit scanEnded(stopped);
        return;
    }
    setFoundAllFiles();
    std::uint64_t checked = 0;
    std::uint64_t checkedSize = 0;
    QNUIController::GetSelectedFilesAmout(checked, checkedSize);
    m_bar->recover()->setButtonEnabled(checked >= 1);
    updateScanButtons();
    emit scanEnded(stopped);
}

void QNDeletailWindowController::setFoundAllFiles() {
    std::uint64_t size = 0;
    std::uint64_t count = 0;
    QNUIController::GetScanFileSize(size, count);
    const long long shown = size > static_cast<std::uint64_t>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(size);
    m_bar->setSelectionText(Text(QStringLiteral("PAGE_FOUR_ALL_FILES_SIZE"))
                                .arg(QString::fromStdString(uimodel::longlongConvertVolSpace(shown)))
                                .arg(static_cast<qulonglong>(count)));
}

void QNDeletailWindowController::updateScanButtons() {
    const bool scanning = !m_finished && !m_isImport;
    m_bar->enableScanButtons(m_isCanClick, m_isCanClick && scanning);
}

void QNDeletailWindowController::recovrtyButtonClick() { m_recovery->recovrtyButtonClick(); }
void QNDeletailWindowController::recoverToFolder(const QString& folder) { m_recovery->recoverToFolder(folder); }
void QNDeletailWindowController::setDestinationProbe(recovery::DestinationProbe probe) {
    m_recovery->setDestinationProbe(std::move(probe));
}
recovery::QNShowScanProgressWindowController* QNDeletailWindowController::recoveryProgressWindow() const {
    return m_recovery->recoveryProgressWindow();
}
void QNDeletailWindowController::doSearch() { m_search->doSearch(); }
bool QNDeletailWindowController::isSaved() const { return m_export->isSaved(); }

void QNDeletailWindowController::exportButtonAction() {
    if (m_bar->exportButton()) m_export->exportButtonAction();
}

void QNDeletailWindowController::createExportButton(bool deep) {
    if (m_isImport) return;
    m_bar->showExportButton(deep);
    orderTabStops();
}

QString QNDeletailWindowController::foundText() const { return m_bar->foundText(); }
QString QNDeletailWindowController::remainingText() const { return m_bar->remainingText(); }
QString QNDeletailWindowController::selectionText() const { return m_bar->selectionText(); }

void QNDeletailWindowController::refreshDevice(const QVariantMap& payload) {
    const QString removed = payload.value(QStringLiteral("USBPath")).toString();
    const QString scanned = QString::fromStdString(QNUIController::GetScannedDiskName());
    // Kernel names only: a stick that looks like the scanned one must not stop its scan.
    if (removed.isEmpty() || scanned.isEmpty() || removed != scanned) return;
    QNUIController::StopScan(1);
    NotificationCenter::instance().removeObserver(this, QStringLiteral("RefreshDetachDevice"));
    openSheet(QStringLiteral("PAGE_FOUR_DETACHED"), [this](int code) {
        if (code != 0) doBackHomeAction(0);
    });
}

void QNDeletailWindowController::closeEvent(QCloseEvent* event) {
    if (m_isCloseWindow) {
        // Closing was confirmed: the window goes when the scan has wound down.
        if (!m_follower->isFollowing()) {
            TCImageWindow::closeEvent(event);
            return;
        }
        event->ignore();
        return;
    }
    if (QNUIController::IsScanRunning()) {
        event->ignore();
        closeWindow();
        return;
    }
    NotificationCenter::instance().post(QStringLiteral("appWillTerminate"));
    TCImageWindow::closeEvent(event);
}

void QNDeletailWindowController::openSheet(const QString& prefix, std::function<void(int)> done) {
    const SheetTexts texts{
        Text(prefix + QStringLiteral("_TITLE")), Text(prefix + QStringLiteral("_NODE")),
        Text(prefix +
             (prefix.endsWith(QLatin1String("DETACHED")) ? QStringLiteral("_BUTTON") : QStringLiteral("_YES_BUTTON"))),
        prefix.endsWith(QLatin1String("DETACHED")) ? QString() : Text(prefix + QStringLiteral("_NO_BUTTON"))};
    QWidget* sheet = OpenSheet(this, texts, [guard = QPointer<QNDeletailWindowController>(this), done](int code) {
        if (guard) done(code);
    });
    emit sheetOpened(sheet);
}

// ===== commands: back home, deep scan, pause and resume, stop, close, the tabs, the list's
// sorting and the checks, with the page refresh every one of them ends with =====

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
    stopObserving();
    m_follower->end();
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
    m_search->forget();
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
    m_follower->observe();
    m_follower->start();
    QNUIController::DoDeepScan(ScanFollower::kScanPost);
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
    m_sorting->forget();
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
    m_sorting->rowsRefilled();
    m_table->setRowNum(-1);
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
}

void QNDeletailWindowController::refreshListOnly() {
    if (!m_selected) return;
    uimodel::FileNodeList files;
    QNUIController::GetFileNodeToArray(files, m_selected);
    // A sorted list keeps its order until the folder is chosen again.
    if (m_sorting->keepsRows(files.size())) return;
    m_list->refreshFiles(std::move(files));
    m_sorting->sortAgain();
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
    if (!scanRunsUnpaused()) m_sorting->sortBy(column);
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

// ===== the list, cover-flow and grid switch, and the grid's check box =====

using thumbview::PreviewPanes;

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

// ===== the keyboard's order: the bar left to right, then the left pane, then the right pane =====

void QNDeletailWindowController::orderTabStops() {
    std::vector<QWidget*> stops = {m_bar->home(),
                                   m_bar->deepScan(),
                                   m_bar->pause(),
                                   m_bar->play(),
                                   m_bar->stop(),
                                   m_bar->recover(),
                                   m_bar->search()->textField(),
                                   m_bar->exportButton()};
    for (int index = 0; index < 5; ++index) stops.push_back(m_tabs->tabButton(index));
    stops.push_back(m_tabs->outline(kPathTab));
    stops.push_back(m_tabs->outline(kCreatedTab));
    for (int segment = thumbview::PreviewPanes::kList; segment <= thumbview::PreviewPanes::kGrid; ++segment)
        stops.push_back(m_previews->segmentButton(segment));
    for (QWidget* stop :
         {static_cast<QWidget*>(m_selectAll), static_cast<QWidget*>(m_table),
          static_cast<QWidget*>(m_previews->coverFlowerTableView()), static_cast<QWidget*>(m_previews->coverFlowView()),
          static_cast<QWidget*>(m_previews->gridView())})
        stops.push_back(stop);
    QWidget* previous = nullptr;
    for (QWidget* stop : stops) {
        if (!stop) continue;  // made later (the export button at the scan's end)
        if (previous) setTabOrder(previous, stop);
        previous = stop;
    }
}

// ----- the search's steps -----

void QNDeletailWindowController::clearForSearch() {
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    emit searchRowsAboutToChange();
    emptyTrees();
    QNUIController::UnselectedAllNodes();
    m_table->changeNoValue(true);
}

void QNDeletailWindowController::refillSearchTree() {
    treeModel(m_tab)->clearArray();
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), true, treeModel(m_tab));
}

void QNDeletailWindowController::showSearchHits(std::vector<IFileNode*> hits) {
    ExpandeRootItem();
    emit searchRowsAboutToChange();
    m_selected = nullptr;
    m_sorting->forget();
    m_list->setFiles(std::move(hits));
    m_table->setRowNum(-1);
    emit searchRowsChanged();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
    showNoValueNote();
}

}  // namespace app::results
