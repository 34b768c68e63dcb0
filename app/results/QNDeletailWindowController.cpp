#include "app/results/QNDeletailWindowController.h"

#include <QLineEdit>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/controls/BandedListView.h"
#include "app/controls/CustemSplitView.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/NewButton.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/QNDeepScanViewController.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/controls/Theme.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/ScanBarLayout.h"
#include "app/results/ResultViews.h"
#include "app/base/FileTimeText.h"
#include "app/thumbview/PreviewPanes.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"

namespace app::results {

using theme::FlipFrame;
using uimodel::QNUIController;

namespace {

constexpr int kBarHeight = kScanBarHeight;
constexpr int kBoxHeight = kScanBoxHeight;
constexpr int kBoxWidth = kScanBoxWidth;
constexpr int kDesignWidth = kScanBarDesignWidth;
constexpr int kLeftMin = 224;
constexpr int kLeftMax = 400;
// The deep-scan offer points at its button from the right, inside the bar: below it, it would
// hide the tabs, the list's header and the first rows for its 8 s.
constexpr int kOfferSide = kSideRight;
constexpr double kOfferDistance = 4.0;
constexpr int kOfferGap = 4;  // between the offer and the scan box, and the bar's edges
constexpr int kCellPadding = 16;  // a text cell's margins on both sides
constexpr int kWatchMs = 500;  // the end of a scan is looked for even when no post comes
const char kScanValue[] = "NormalScranValue";
constexpr QRgb kTabTitle = qRgb(174, 184, 222);

// A box that paints a named backdrop over its whole area.
class ImageBox : public QWidget {
 public:
  ImageBox(const QString& image, QWidget* parent) : QWidget(parent), m_image(image) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).drawPixmap(0, 0, ImageLibrary::instance().pixmap(m_image, size(), devicePixelRatioF()));
  }

 private:
  QString m_image;
};

ElidedLabel* MakeLabel(QWidget* parent, int fontSize, QRgb colour, Qt::Alignment alignment) {
  auto* label = new ElidedLabel(parent);
  label->setFont(theme::SystemFont(fontSize));
  label->setTextColor(QColor(colour));
  label->setAlignment(alignment | Qt::AlignVCenter);
  return label;
}

TCImageButton* MakeButton(QWidget* parent, const char* family, const QString& name, const QString& tip = {}) {
  auto* button = new TCImageButton(parent);
  button->setImageFamily(QLatin1String(family));
  button->setAccessibleName(name);
  button->setToolTip(tip.isEmpty() ? name : tip);
  return button;
}

TabButton* MakeTab(const QString& title, QWidget* parent) { return new TabButton(title, parent); }

}  // namespace

QNDeletailWindowController::QNDeletailWindowController(QWidget* parent)
    : TCImageWindow(parent), m_list(std::make_unique<FileListModel>()) {
  for (int tab = 0; tab < kTabs; ++tab) {
    m_models[static_cast<std::size_t>(tab)] = std::make_unique<ResultTreeModel>(arrayFor(tab));
    m_models[static_cast<std::size_t>(tab)]->setShowsCounts(tab != kPathTab);
  }
  m_clock = [] { return QDateTime::currentSecsSinceEpoch(); };
  setTitleBarHeight(kBarHeight);
  setTrafficLightButtonsLeftMargin(13);
  setTopButtonMoveUp(35);
  setWindowTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")));
  NotificationCenter::instance().addObserver(this, QStringLiteral("RefreshDetachDevice"),
                                             [this](const QVariantMap& payload) { refreshDevice(payload); });
  buildContent();
  buildBar();
  connectRecoveryAndSearch();
  m_offerTimer = new QTimer(this);
  m_offerTimer->setSingleShot(true);
  m_offerTimer->setInterval(8000);
  connect(m_offerTimer, &QTimer::timeout, this, &QNDeletailWindowController::popupViewHidden);
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
  if (m_attachedWindow) delete m_attachedWindow.data();
  if (m_offerView && !m_offerView->parent()) delete m_offerView.data();
  // No thumbnail may still be read from the nodes; the views go before the models they show.
  m_previews->shutDown();
  m_outline->setModel(nullptr);
  m_timeOutline->setModel(nullptr);
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

  auto* left = new QWidget;
  left->setMinimumWidth(kLeftMin);
  left->setMaximumWidth(kLeftMax);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->setSpacing(0);
  auto* tabs = new QHBoxLayout;
  tabs->setSpacing(0);
  m_tabButtons[0] = MakeTab(Text(QStringLiteral("PAGE_FOUR_SELECT_TYPE_BUTTON_PATH")), left);
  m_tabButtons[1] = MakeTab(Text(QStringLiteral("PAGE_FOUR_SELECT_TYPE_BUTTON_TYPE")), left);
  m_tabButtons[2] = MakeTab(Text(QStringLiteral("PAGE_FOUR_SELECT_TYPE_BUTTON_TIME")), left);
  for (int i = 0; i < 3; ++i) tabs->addWidget(m_tabButtons[static_cast<std::size_t>(i)]);
  leftLayout->addLayout(tabs);
  m_subTabs = new QWidget(left);
  auto* subTabs = new QHBoxLayout(m_subTabs);
  subTabs->setContentsMargins(0, 0, 0, 0);
  subTabs->setSpacing(0);
  m_tabButtons[3] = MakeTab(Text(QStringLiteral("PAGE_FOUR_SELECT_TYPE_BUTTON_CREATTIME")), m_subTabs);
  m_tabButtons[4] = MakeTab(Text(QStringLiteral("PAGE_FOUR_SELECT_TYPE_BUTTON_MODIFYTIME")), m_subTabs);
  subTabs->addWidget(m_tabButtons[3]);
  subTabs->addWidget(m_tabButtons[4]);
  leftLayout->addWidget(m_subTabs);
  m_subTabs->hide();
  connect(m_tabButtons[0], &QPushButton::clicked, this, [this] { selectTab(kPathTab); });
  connect(m_tabButtons[1], &QPushButton::clicked, this, [this] { selectTab(kTypeTab); });
  connect(m_tabButtons[2], &QPushButton::clicked, this, [this] { selectTab(kCreatedTab); });
  connect(m_tabButtons[3], &QPushButton::clicked, this, [this] { selectTab(kCreatedTab); });
  connect(m_tabButtons[4], &QPushButton::clicked, this, [this] { selectTab(kModifiedTab); });

  m_trees = new QStackedWidget(left);
  m_outline = new ResultOutlineView;
  m_timeOutline = new ResultOutlineView;
  for (ResultOutlineView* outline : {m_outline, m_timeOutline}) {
    outline->setHeaderHidden(true);
    outline->setUniformRowHeights(true);
    auto* cell = new NewButton(outline);
    outline->setItemDelegate(cell);
    connect(cell, &NewButton::clickButtonAction, this, [this](const QModelIndex& index) {
      clickButtonAction(static_cast<uimodel::OpNodeData*>(index.internalPointer()));
    });
    connect(outline, &BandedListView::checkRequested, cell, &NewButton::requestCheck);
    m_trees->addWidget(outline);
  }
  showTreeModel(m_outline, kPathTab);
  showTreeModel(m_timeOutline, kCreatedTab);
  leftLayout->addWidget(m_trees, 1);

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
  header->resizeSection(FileListModel::kCreated, WidestFileTimeTextWidth(QFontMetrics(m_table->font())) + kCellPadding);
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

  m_split->addWidget(left);
  m_split->addWidget(buildPreviews());
  m_split->setStretchFactor(1, 1);
  m_split->setSizes({kLeftMin + 16, kDesignWidth - kLeftMin - 16});
  auto* layout = new QHBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_split);
  setContentView(content);

  setTabOrder(m_tabButtons[0], m_tabButtons[1]);
  setTabOrder(m_tabButtons[1], m_tabButtons[2]);
  setTabOrder(m_tabButtons[2], m_outline);
  setTabOrder(m_outline, m_timeOutline);
  setTabOrder(m_timeOutline, m_table);
  updateTabLooks();
}

void QNDeletailWindowController::showTreeModel(ResultOutlineView* outline, int tab) {
  outline->setModel(treeModel(tab));
  // A folder chosen by the mouse or the arrows fills the list.
  connect(outline->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, outline](const QModelIndex& current) {
    if (outline->model() != treeModel(m_tab) || !current.isValid()) return;
    selectItem(static_cast<uimodel::OpNodeData*>(current.internalPointer()));
  });
}

void QNDeletailWindowController::buildBar() {
  QWidget* bar = titleBarView();
  m_home = MakeButton(bar, "home", Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
  m_home->setButtonEnabled(false);
  m_homeLabel = MakeLabel(bar, 13, theme::kGlyph, Qt::AlignHCenter);
  m_homeLabel->setFullText(Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
  m_deepScan = MakeButton(bar, "deepscan", Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
  m_deepScan->hide();
  m_deepScanLabel = MakeLabel(bar, 13, theme::kGlyph, Qt::AlignHCenter);
  m_deepScanLabel->setFullText(Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
  m_deepScanLabel->hide();
  m_pointButton = new QWidget(bar);  // the offer's anchor, just right of the deep-scan button
  m_pointButton->setAttribute(Qt::WA_TransparentForMouseEvents);

  m_box = new ImageBox(QStringLiteral("schedule_bg"), bar);
  m_subBox = new QWidget(m_box);
  m_spinner = new SpinnerView(m_subBox);
  m_progress = new QNProgressView(m_subBox);
  m_pause = MakeButton(m_subBox, "pause", QStringLiteral("Pause"), Text(QStringLiteral("PAGE_FOUR_PAUSE_TIP")));
  m_pause->setButtonEnabled(false);
  m_play = MakeButton(m_subBox, "play", QStringLiteral("Resume"), Text(QStringLiteral("PAGE_FOUR_RESUME_TIP")));
  m_play->hide();
  m_play->setButtonEnabled(true);
  m_stopButton = MakeButton(m_subBox, "stop", QStringLiteral("Stop"), Text(QStringLiteral("PAGE_FOUR_STOP_TIP")));
  m_stopButton->setButtonEnabled(false);
  m_selectFiles = MakeLabel(m_subBox, 14, theme::kLabelText, Qt::AlignLeft);
  m_selectFiles->hide();
  m_found = MakeLabel(m_subBox, 12, theme::kLabelText, Qt::AlignLeft);
  m_remaining = MakeLabel(m_subBox, 12, theme::kLabelText, Qt::AlignRight);
  m_recover = new TCImageButton(m_box);
  m_recover->setImageFamily(QStringLiteral("botton_recover"));
  m_recover->resize(100, 30);
  m_recover->setTextWithName(Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")), QRect(0, 0, 100, 30));
  m_recover->setAccessibleName(Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")));
  m_recover->setButtonEnabled(false);
  m_recover->hide();
  m_search = new NewSearchTextFiled(bar);
  m_search->setSearchEnabled(false);

  connect(m_home, &QAbstractButton::clicked, this, &QNDeletailWindowController::backButtonAction);
  connect(m_deepScan, &QAbstractButton::clicked, this, &QNDeletailWindowController::deepSrcanButtonAction);
  connect(m_pause, &QAbstractButton::clicked, this, &QNDeletailWindowController::pauseButtonClick);
  connect(m_play, &QAbstractButton::clicked, this, &QNDeletailWindowController::pauseButtonClick);
  connect(m_stopButton, &QAbstractButton::clicked, this, &QNDeletailWindowController::stopButtonClick);

  // The search box's own field takes the focus, so the chain runs through it, not the box.
  setTabOrder(m_table, m_search->textField());
  setTabOrder(m_search->textField(), m_home);
  setTabOrder(m_home, m_deepScan);
  setTabOrder(m_deepScan, m_pause);
  setTabOrder(m_pause, m_play);
  setTabOrder(m_play, m_stopButton);
  setTabOrder(m_stopButton, m_recover);
  showStillLabels();
  layoutBar();
}

void QNDeletailWindowController::showStillLabels() {
  m_progress->changeProgressValue(0.0f);
  m_found->setFullText(Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(QStringLiteral("0")));
  m_remaining->setFullText(Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(QStringLiteral("-:-:-")));
  m_selectFiles->setFullText(
      Text(QStringLiteral("PAGE_FOUR_SELECT_FILES")).arg(QStringLiteral("0 byte")).arg(0));
}

void QNDeletailWindowController::layoutBar() {
  if (!m_box) return;
  // Frames as the bar gives them (bottom-up); the box and the search field follow the width.
  LayoutScanBar({m_home, m_homeLabel, m_deepScan, m_deepScanLabel, m_box, m_search}, width());
  m_pointButton->setGeometry(QRect(144, 43, 2, 2));
  layoutExportButton();
  const bool recoverIn = m_recover->isVisible() && m_following;
  m_subBox->setGeometry(0, 0, m_box->width() - (recoverIn ? 100 : 0), kBoxHeight);
  const int boxGrow = m_subBox->width() - kBoxWidth;
  LayoutScanBox({m_spinner, m_progress, m_pause, m_play, m_stopButton, m_found, m_remaining}, m_subBox->width());
  const bool spanish = QSettings().value(QStringLiteral("AppleLanguages")).toStringList().value(0) ==
                       QLatin1String("es");
  if (m_finished) {
    m_selectFiles->setGeometry(FlipFrame(QRect(40, 40, m_subBox->width() - 80, 18), kBoxHeight));
    m_recover->setGeometry(FlipFrame(QRect(m_box->width() / 2 - 50, 10, 100, 30), kBoxHeight));
  } else {
    m_selectFiles->setGeometry(spanish ? FlipFrame(QRect(0, 30, 550, 15), kBoxHeight)
                                       : FlipFrame(QRect(40, 35, 380 + boxGrow, 18), kBoxHeight));
    m_recover->setGeometry(FlipFrame(QRect(m_subBox->width() + 5, 12, 100, 30), kBoxHeight));
  }
}

void QNDeletailWindowController::resizeEvent(QResizeEvent* event) {
  TCImageWindow::resizeEvent(event);
  layoutBar();
  if (m_following) {
    double percent = 0;
    std::uint64_t count = 0;
    QNUIController::GetScanProgress(percent, count);
    m_progress->changeProgressValue(percent < 1.0 ? 0.0f : static_cast<float>(percent));
  }
  // An offer still shown is made again at the anchor's new place, without a new timer.
  if (m_attachedWindow && !m_offerClosed) placeOffer();
}

void QNDeletailWindowController::placeOffer() {
  // Between the deep-scan button and the scan box, inside the bar: the hint takes the room left
  // once the arrow and the margins are counted, and smaller type when its lines need it.
  if (!m_attachedWindow || !m_offerView) return;
  QPoint anchor = m_pointButton->mapTo(this, m_pointButton->rect().center());
  m_attachedWindow->setPoint(anchor, kOfferSide);
  // Taller than the button, the hint also starts right of the end of the button's label.
  const QRect label(m_deepScanLabel->mapTo(this, QPoint(0, 0)), m_deepScanLabel->size());
  const int labelEnd =
      label.center().x() + m_deepScanLabel->fontMetrics().horizontalAdvance(m_deepScanLabel->fullText()) / 2;
  const int hintLeft = m_attachedWindow->x() + m_offerView->x();  // the body's edge lies a margin left of it
  anchor.rx() += std::max(0, labelEnd + 2 * kOfferGap - hintLeft);
  m_attachedWindow->setPoint(anchor, kOfferSide);
  const QSize chrome = m_attachedWindow->size() - m_offerView->size();
  const int right = m_box->mapTo(this, QPoint(0, 0)).x() - kOfferGap;
  const int height = std::min(anchor.y(), kScanBarHeight - anchor.y()) * 2 - 2 * kOfferGap;
  m_offerView->fitWithin(QSize(right - m_attachedWindow->x(), height) - chrome);
  m_attachedWindow->setPoint(anchor, kOfferSide);
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
  for (QWidget* w : std::initializer_list<QWidget*>{m_found, m_remaining, m_pause, m_play, m_stopButton,
                                                    m_progress, m_spinner, m_deepScan, m_deepScanLabel})
    w->hide();
  m_home->setButtonEnabled(true);
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
  const qint64 now = m_clock();
  if (m_lastUpdateTime == 0 || now >= m_lastUpdateTime + 1) {
    m_remaining->setFullText(Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(remaining));
    m_lastUpdateTime = now;
  }
  m_found->setFullText(Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(QString::number(count)));
  m_progress->changeProgressValue(percent < 1.0 ? 0.0f : static_cast<float>(percent));
  if (!QNUIController::IsScanRunning() && m_following) showFinishedState();
  updateSegmentEnabled();
  updateScanButtons();
}

void QNDeletailWindowController::showFinishedState() {
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
  for (QWidget* w : std::initializer_list<QWidget*>{m_deepScan, m_deepScanLabel, m_progress, m_spinner, m_pause,
                                                    m_stopButton, m_play, m_found, m_remaining})
    w->hide();
  m_finished = true;
  m_recover->show();
  m_selectFiles->setAlignment(Qt::AlignCenter);
  m_selectFiles->show();
  m_search->setSearchEnabled(true);
  createExportButton(m_isDeepScan);
  layoutBar();
  if (!m_isDeepScan && !m_isImport) {
    m_deepScan->show();
    m_deepScan->setButtonEnabled(true);
    m_deepScanLabel->show();
    if (!m_offerMade) showPopover();
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
    emit scanEnded();
    return;
  }
  if (m_isSelectBackHome) {
    doBackHomeAction(1);
    emit scanEnded();
    return;
  }
  setFoundAllFiles();
  updateScanButtons();
  emit scanEnded();
}

void QNDeletailWindowController::setFoundAllFiles() {
  std::uint64_t size = 0;
  std::uint64_t count = 0;
  QNUIController::GetScanFileSize(size, count);
  const long long shown = size > static_cast<std::uint64_t>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(size);
  m_selectFiles->setFullText(Text(QStringLiteral("PAGE_FOUR_ALL_FILES_SIZE"))
                                 .arg(QString::fromStdString(uimodel::longlongConvertVolSpace(shown)))
                                 .arg(static_cast<qulonglong>(count)));
}

void QNDeletailWindowController::updateScanButtons() {
  const bool scanning = !m_finished && !m_isImport;
  m_home->setButtonEnabled(m_isCanClick);
  m_pause->setButtonEnabled(m_isCanClick && scanning);
  m_stopButton->setButtonEnabled(m_isCanClick && scanning);
}

QString QNDeletailWindowController::foundText() const { return m_found->fullText(); }
QString QNDeletailWindowController::remainingText() const { return m_remaining->fullText(); }
QString QNDeletailWindowController::selectionText() const { return m_selectFiles->fullText(); }

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

void QNDeletailWindowController::showPopover() {
  if (!m_offerMade) {
    m_offerMade = true;
    m_offerView = new QNDeepScanViewController;
    connect(m_offerView, &QNDeepScanViewController::popupViewHidden, this,
            &QNDeletailWindowController::popupViewHidden);
    m_offerClosed = false;
    m_offerTimer->start();
  }
  if (!m_attachedWindow && m_offerView) {
    const QPoint anchor = m_pointButton->mapTo(this, m_pointButton->rect().center());
    m_attachedWindow = MAAttachedWindow::attach(m_offerView, anchor, this, kOfferSide, kOfferDistance);
    if (m_attachedWindow) placeOffer();
    // Escape closes it too.
    connect(m_attachedWindow, &MAAttachedWindow::closed, this, [this] {
      m_offerTimer->stop();
      m_offerClosed = true;
    });
  }
}

void QNDeletailWindowController::popupViewHidden() {
  m_offerTimer->stop();
  if (m_attachedWindow) m_attachedWindow->closePopover();
  m_attachedWindow = nullptr;
  m_offerClosed = true;
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
  const SheetTexts texts{Text(prefix + QStringLiteral("_TITLE")), Text(prefix + QStringLiteral("_NODE")),
                         Text(prefix + (prefix.endsWith(QLatin1String("DETACHED")) ? QStringLiteral("_BUTTON")
                                                                                  : QStringLiteral("_YES_BUTTON"))),
                         prefix.endsWith(QLatin1String("DETACHED")) ? QString()
                                                                    : Text(prefix + QStringLiteral("_NO_BUTTON"))};
  QWidget* sheet = OpenSheet(this, texts, [guard = QPointer<QNDeletailWindowController>(this), done](int code) {
    if (guard) done(code);
  });
  emit sheetOpened(sheet);
}

}  // namespace app::results
