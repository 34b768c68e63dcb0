#include "app/results/QNDeletailWindowController.h"

#include <QLineEdit>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>

#include "app/base/FileTimeText.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustemSplitView.h"
#include "app/controls/ImageAndTextCell.h"
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
#include "app/results/ResultViews.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanBarLayout.h"
#include "app/results/TreeTabs.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"

namespace app::results {

using theme::FlipFrame;
using uimodel::QNUIController;

namespace {

constexpr int kBarHeight = kScanBarHeight;
constexpr int kDesignWidth = kScanBarDesignWidth;
constexpr int kLeftMin = 224;     // the tree pane's narrowest
constexpr int kCellPadding = 16;  // a text cell's margins on both sides
constexpr int kWatchMs = 500;     // the end of a scan is looked for even when no post comes
const char kScanValue[] = "NormalScranValue";

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
    connectRecoveryAndSearch();
    m_offer = new DeepScanOffer(this, m_bar);
    m_watch = new QTimer(this);
    m_watch->setInterval(kWatchMs);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (m_following && !QNUIController::IsScanRunning()) dataInitFinished();
    });
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

void QNDeletailWindowController::setClock(std::function<qint64()> clock) { m_bar->setClock(std::move(clock)); }

void QNDeletailWindowController::layoutBar() {
    if (m_bar) m_bar->layoutParts(m_finished, m_following);
}

void QNDeletailWindowController::resizeEvent(QResizeEvent* event) {
    TCImageWindow::resizeEvent(event);
    layoutBar();
    if (m_following) {
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
    NotificationCenter::instance().addObserver(this, QLatin1String(kScanValue),
                                               [this](const QVariantMap&) { dataInitFinished(); });
    NotificationCenter::instance().addObserver(this, QStringLiteral("RefreshTableView"),
                                               [this](const QVariantMap&) { refreshListOnly(); });
    observeRecoveryAndSearch();
}

void QNDeletailWindowController::getData() {
    emptyTrees();
    m_isDeepScan = false;
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    m_finished = false;
    NotificationCenter::instance().removeObserver(this, QLatin1String(kScanValue));
    observeScan();
    // A refused scan shows the finished state of an empty one at the watch's first look.
    m_following = true;
    QNUIController::DoScanWithData(m_item.get(), kScanValue);
    updateScanButtons();
    m_watch->start();
}

void QNDeletailWindowController::getImportData(const QString&) {
    m_isImport = true;
    m_bar->showImport();
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    QNUIController::RestorPostUIUpdate(kScanValue, false);
    observeScan();
    m_following = true;
    m_watch->start();
}

void QNDeletailWindowController::clearImportData() {
    NotificationCenter::instance().removeObserver(this);
    m_watch->stop();
}

void QNDeletailWindowController::refreshCurrentTree() {
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), false, treeModel(m_tab));
}

void QNDeletailWindowController::dataInitFinished() {
    if (!m_following) return;
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
    if (!QNUIController::IsScanRunning() && m_following) showFinishedState();
    updateSegmentEnabled();
    updateScanButtons();
}

void QNDeletailWindowController::showFinishedState() {
    const bool stopped = QNUIController::WasScanStopped();
    m_following = false;
    m_watch->stop();
    // What the scan added after the last post (a scan may end before its first one).
    refreshCurrentTree();
    if (m_tab != kPathTab) {
        // The path tree is built once whatever the tab, for the list and the recovery.
        QNUIController::SetViewType(kPathTab);
        QNUIController::RefreshData();
        QNUIController::GetScanTreeNodeData(&arrayFor(kPathTab), false, treeModel(kPathTab));
        QNUIController::SetViewType(m_tab);
    }
    m_bar->showFinished();
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
        if (!m_following) {
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

}  // namespace app::results
