#include "app/results/QNDeletailWindowController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/controls/Theme.h"
#include "app/results/FilePane.h"
#include "app/results/ResultViews.h"
#include "app/results/ResultsExport.h"
#include "app/results/ResultsRecovery.h"
#include "app/results/ResultsSearch.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanBarLayout.h"
#include "app/results/ScanControls.h"
#include "app/results/ScanFollower.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

using uimodel::QNUIController;

QNDeletailWindowController::QNDeletailWindowController(QWidget* parent) : TCImageWindow(parent) {
    setTitleBarHeight(kScanBarHeight);
    setTrafficLightButtonsLeftMargin(13);
    setTopButtonMoveUp(35);
    setWindowTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")));
    m_follower = new ScanFollower(this);
    m_bar = new ScanBar(this);
    setTitleBarView(m_bar);
    connect(m_follower, &ScanFollower::stateChanged, m_bar, &ScanBar::showState);
    m_pane = new FilePane(this, *m_follower);
    buildContent();
    m_controls = new ScanControls(this, m_bar, *m_follower);
    wireControls();
    wirePane();
    wireJobs();
    orderTabStops();
    m_bar->layoutParts();
    resize(kScanBarDesignWidth, 650);
    setMinimumSize(kScanBarDesignWidth, 650);
}

QNDeletailWindowController::~QNDeletailWindowController() {
    NotificationCenter::instance().removeObserver(this);
    delete m_controls;
    // No thumbnail may still be read from the nodes; the views go before the models they show.
    m_pane->shutDown();
}

void QNDeletailWindowController::buildContent() {
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor(theme::kBackdrop));
    content->setPalette(palette);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pane->view());
    setContentView(content);
}

void QNDeletailWindowController::wireControls() {
    connect(m_follower, &ScanFollower::stepped, this, &QNDeletailWindowController::refreshPage);
    connect(m_follower, &ScanFollower::listChanged, m_pane, &FilePane::refreshListOnly);
    connect(m_controls, &ScanControls::sheetOpened, this, &QNDeletailWindowController::sheetOpened);
    connect(m_controls, &ScanControls::progressShown, this, &QNDeletailWindowController::progressShown);
    connect(m_controls, &ScanControls::scanEnded, this, &QNDeletailWindowController::scanEnded);
    connect(m_controls, &ScanControls::backHomeRequested, this, &QNDeletailWindowController::backHomeRequested);
    connect(m_controls, &ScanControls::checksCleared, m_pane, &FilePane::clearChecks);
    connect(m_controls, &ScanControls::pauseChanged, m_pane, &FilePane::followPause);
    connect(m_controls, &ScanControls::scanStarting, this, [this] {
        m_pane->startOver();
        m_search->forget();
    });
    connect(m_controls, &ScanControls::finished, this, [this] {
        m_pane->showEnded();
        orderTabStops();  // with the export button made at the end
    });
    connect(m_controls, &ScanControls::leaving, this, [this] {
        m_pane->leave();
        stopObserving();
        setFadesOnClose(false);
        hide();
    });
    connect(m_controls, &ScanControls::closing, this, [this] {
        hide();
        NotificationCenter::instance().post(QStringLiteral("appWillTerminate"));
    });
}

void QNDeletailWindowController::wirePane() {
    m_bar->setFocusRest([this] { return m_pane->restingFocus(); });
    connect(m_pane, &FilePane::selectionTextChanged, m_bar, &ScanBar::setSelectionText);
    connect(m_pane, &FilePane::recoverEnabled, m_bar->recover(), &TCImageButton::setButtonEnabled);
    connect(m_pane, &FilePane::recoverWanted, this, [this] {
        double percent = 0;
        std::uint64_t count = 0;
        QNUIController::GetScanProgress(percent, count);
        m_bar->slideRecoverIn(percent);
    });
}

void QNDeletailWindowController::wireJobs() {
    m_recovery = new ResultsRecovery(this, m_bar->recover());
    connect(m_recovery, &ResultsRecovery::fileDialogOpened, this, &QNDeletailWindowController::fileDialogOpened);
    connect(m_recovery, &ResultsRecovery::sheetOpened, this, &QNDeletailWindowController::sheetOpened);
    connect(m_recovery, &ResultsRecovery::noteShown, this, &QNDeletailWindowController::noteShown);
    connect(m_recovery, &ResultsRecovery::recoveryDialogOpened, this,
            &QNDeletailWindowController::recoveryDialogOpened);
    connect(m_recovery, &ResultsRecovery::recoveryEnded, this, &QNDeletailWindowController::recoveryEnded);

    m_search = new ResultsSearch(this, m_bar->search(),
                                 {[] { return !ScanFollower::runsUnpaused(); }, [this] { m_pane->clearForSearch(); },
                                  [this] { m_pane->refillSearchTree(); },
                                  [this](std::vector<IFileNode*> hits) { m_pane->showSearchHits(std::move(hits)); },
                                  [this] { m_pane->showWholeScan(); }});
    connect(m_search, &ResultsSearch::searchShown, this, &QNDeletailWindowController::searchShown);
    connect(m_controls, &ScanControls::searchClearRequested, m_search, &ResultsSearch::clearSearch);

    m_export = new ResultsExport(this, [this] { return m_follower->state().kind == ScanKind::Deep; });
    connect(m_bar, &ScanBar::exportRequested, m_export, &ResultsExport::exportButtonAction);
    connect(m_export, &ResultsExport::fileDialogOpened, this, &QNDeletailWindowController::fileDialogOpened);
    connect(m_export, &ResultsExport::sheetOpened, this, &QNDeletailWindowController::sheetOpened);
    connect(m_export, &ResultsExport::scanSaved, this, &QNDeletailWindowController::scanSaved);
}

void QNDeletailWindowController::resizeEvent(QResizeEvent* event) {
    TCImageWindow::resizeEvent(event);
    m_controls->followResize();
}

void QNDeletailWindowController::setSelectDiskVolumeData(std::unique_ptr<uimodel::DiskVolumeNodeData> item) {
    m_item = std::move(item);
}

void QNDeletailWindowController::observeScan() {
    m_follower->observe();
    m_recovery->observe();
    m_search->observe();
    m_controls->observe();
}

void QNDeletailWindowController::stopObserving() {
    m_follower->stopObserving();
    m_recovery->stopObserving();
    m_search->stopObserving();
    m_controls->stopObserving();
}

void QNDeletailWindowController::getData() {
    m_pane->startOver();
    m_search->forget();
    observeScan();
    // A refused scan shows the finished state of an empty one at the watch's first look.
    m_follower->start(ScanKind::Quick);
    QNUIController::DoScanWithData(m_item.get(), ScanFollower::kScanPost);
}

void QNDeletailWindowController::getImportData(const QString&) {
    QNUIController::RestorPostUIUpdate(ScanFollower::kScanPost, false);
    observeScan();
    m_follower->start(ScanKind::Import);
}

void QNDeletailWindowController::clearImportData() {
    stopObserving();
    m_follower->stopWatch();
}

void QNDeletailWindowController::refreshPage() {
    if (!m_follower->state().following()) return;
    m_pane->catchUp();
    m_controls->showProgress();
    m_pane->settle();
}

void QNDeletailWindowController::closeEvent(QCloseEvent* event) {
    const ScanState& state = m_follower->state();
    if (state.leaving == Leaving::Close && state.following()) {
        // Closing was confirmed: the window goes when the scan has wound down.
        event->ignore();
        return;
    }
    if (state.leaving == Leaving::No && QNUIController::IsScanRunning()) {
        event->ignore();
        m_controls->closeWindow();
        return;
    }
    if (state.leaving == Leaving::No) {
        // Nothing runs; a deep scan about to start starts no more.
        m_follower->leave(Leaving::Close);
        NotificationCenter::instance().post(QStringLiteral("appWillTerminate"));
    }
    TCImageWindow::closeEvent(event);
}

void QNDeletailWindowController::orderTabStops() {
    std::vector<QWidget*> stops = {m_bar->home(),
                                   m_bar->deepScan(),
                                   m_bar->pause(),
                                   m_bar->play(),
                                   m_bar->stop(),
                                   m_bar->recover(),
                                   m_bar->search()->textField(),
                                   m_bar->exportButton()};
    TreeTabs* tabs = m_pane->tabs();
    for (int index = 0; index < 5; ++index) stops.push_back(tabs->tabButton(index));
    stops.push_back(tabs->outline(kPathTab));
    stops.push_back(tabs->outline(kCreatedTab));
    thumbview::PreviewPanes* previews = m_pane->previews();
    for (int segment = thumbview::PreviewPanes::kList; segment <= thumbview::PreviewPanes::kGrid; ++segment)
        stops.push_back(previews->segmentButton(segment));
    for (QWidget* stop :
         {static_cast<QWidget*>(m_pane->selectAllButton()), static_cast<QWidget*>(m_pane->tableView()),
          static_cast<QWidget*>(previews->coverFlowerTableView()), static_cast<QWidget*>(previews->coverFlowView()),
          static_cast<QWidget*>(previews->gridView())})
        stops.push_back(stop);
    QWidget* previous = nullptr;
    for (QWidget* stop : stops) {
        if (!stop) continue;  // made later (the export button at the scan's end)
        if (previous) setTabOrder(previous, stop);
        previous = stop;
    }
}

}  // namespace app::results
