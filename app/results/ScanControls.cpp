#include "app/results/ScanControls.h"

#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TCImageWindow.h"
#include "app/results/DeepScanOffer.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanFollower.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

using uimodel::QNUIController;

namespace {
const char kDetachPost[] = "RefreshDetachDevice";
}

ScanControls::ScanControls(TCImageWindow* window, ScanBar* bar, ScanFollower& scan)
    : QObject(window), m_window(window), m_bar(bar), m_scan(scan), m_offer(new DeepScanOffer(window, bar)) {
    setObjectName(QStringLiteral("scanControls"));
    connect(m_bar->home(), &QAbstractButton::clicked, this, &ScanControls::backButtonAction);
    connect(m_bar->deepScan(), &QAbstractButton::clicked, this, &ScanControls::deepSrcanButtonAction);
    connect(m_bar->pause(), &QAbstractButton::clicked, this, &ScanControls::pauseButtonClick);
    connect(m_bar->play(), &QAbstractButton::clicked, this, &ScanControls::pauseButtonClick);
    connect(m_bar->stop(), &QAbstractButton::clicked, this, &ScanControls::stopButtonClick);
    observe();
}

ScanControls::~ScanControls() {
    stopObserving();
    delete m_offer;
}

void ScanControls::observe() {
    NotificationCenter& center = NotificationCenter::instance();
    center.removeObserver(this, QLatin1String(kDetachPost));
    center.addObserver(this, QLatin1String(kDetachPost),
                       [this](const QVariantMap& payload) { refreshDevice(payload); });
}

void ScanControls::stopObserving() { NotificationCenter::instance().removeObserver(this); }

void ScanControls::layoutBar() { m_bar->layoutParts(m_scan.isFinished(), m_scan.isFollowing()); }

void ScanControls::followResize() {
    layoutBar();
    if (m_scan.isFollowing()) {
        double percent = 0;
        std::uint64_t count = 0;
        QNUIController::GetScanProgress(percent, count);
        m_bar->showProgressValue(percent);
    }
    m_offer->follow();
}

void ScanControls::updateScanButtons() {
    const bool scanning = !m_scan.isFinished() && !m_scan.isImport();
    m_bar->enableScanButtons(m_scan.takesClicks(), m_scan.takesClicks() && scanning);
}

void ScanControls::openSheet(const QString& prefix, std::function<void(int)> done) {
    const bool detached = prefix.endsWith(QLatin1String("DETACHED"));
    const SheetTexts texts{Text(prefix + QStringLiteral("_TITLE")), Text(prefix + QStringLiteral("_NODE")),
                           Text(prefix + (detached ? QStringLiteral("_BUTTON") : QStringLiteral("_YES_BUTTON"))),
                           detached ? QString() : Text(prefix + QStringLiteral("_NO_BUTTON"))};
    QWidget* sheet = OpenSheet(m_window, texts, [guard = QPointer<ScanControls>(this), done](int code) {
        if (guard) done(code);
    });
    emit sheetOpened(sheet);
}

// ----- progress and the end -----

void ScanControls::showProgress() {
    m_scan.setDeep(QNUIController::IsDeepScan());
    double percent = 0;
    std::uint64_t count = 0;
    const QString remaining = QString::fromStdString(QNUIController::GetScanProgress(percent, count));
    m_bar->showProgress(percent, count, remaining);
    emit progressShown(percent < 1.0 ? 0 : static_cast<int>(percent));
    if (!QNUIController::IsScanRunning() && m_scan.isFollowing()) showFinishedState();
    updateScanButtons();
}

void ScanControls::showFinishedState() {
    const bool stopped = QNUIController::WasScanStopped();
    m_scan.end();
    // A stop cleared the checks and hid the recover button: it comes back with the next check.
    m_bar->showFinished(!stopped);
    m_scan.setFinished(true);
    if (!m_scan.isImport()) m_bar->showExportButton(m_scan.isDeep());
    layoutBar();
    if (!m_scan.isDeep() && !m_scan.isImport()) {
        m_bar->showDeepScanButton();
        m_offer->show();
    }
    emit finished();
    m_scan.setTakesClicks(true);
    if (m_scan.isClosing()) {
        emit closing();
        emit scanEnded(stopped);
        return;
    }
    if (m_scan.isGoingHome()) {
        doBackHomeAction();
        emit scanEnded(stopped);
        return;
    }
    updateScanButtons();
    emit scanEnded(stopped);
}

// ----- back home, close, the scanned disk's removal -----

void ScanControls::backButtonAction() {
    if (m_scan.isClosing() || !m_scan.takesClicks()) return;
    if (!QNUIController::IsScanRunning()) {
        doBackHomeAction();
        return;
    }
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_BACKHOME"), [this](int code) {
        if (code != 0) {
            emit checksCleared();
            m_scan.setPausedByUser(false);
            for (TCImageButton* b : {m_bar->home(), m_bar->play(), m_bar->stop(), m_bar->recover()})
                b->setButtonEnabled(false);
            QNUIController::StopScan(1);
            m_scan.setTakesClicks(false);
            m_scan.setGoingHome();
            updateScanButtons();
            if (!QNUIController::IsScanRunning()) doBackHomeAction();
            return;
        }
        if (!m_scan.isPausedByUser() && QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_scan.setTakesClicks(true);
        updateScanButtons();
    });
}

void ScanControls::doBackHomeAction() {
    NotificationCenter::instance().post(QStringLiteral("SetLangauageMemu"));
    m_bar->showStillLabels();
    m_scan.end();
    m_offer->hide();
    emit leaving();
    // The start page is the shell's; it asks for it a moment later, as the window has gone.
    QTimer::singleShot(200, this, [this] { emit backHomeRequested(); });
}

void ScanControls::closeWindow() {
    if (m_scan.isClosing()) return;
    if (!QNUIController::IsScanRunning()) {
        m_window->close();
        return;
    }
    const bool userPaused = m_scan.isPausedByUser();
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this, userPaused](int code) {
        if (code != 0) {
            QNUIController::StopScan(1);
            m_scan.setTakesClicks(false);
            m_scan.setClosing();
            m_scan.setPausedByUser(false);
            for (TCImageButton* b : {m_bar->home(), m_bar->pause(), m_bar->stop(), m_bar->play()})
                b->setButtonEnabled(false);
            showProgress();
            return;
        }
        if (!userPaused && QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_scan.setTakesClicks(true);
        updateScanButtons();
    });
}

void ScanControls::refreshDevice(const QVariantMap& payload) {
    const QString removed = payload.value(QStringLiteral("USBPath")).toString();
    const QString scanned = QString::fromStdString(QNUIController::GetScannedDiskName());
    // Kernel names only: a stick that looks like the scanned one must not stop its scan.
    if (removed.isEmpty() || scanned.isEmpty() || removed != scanned) return;
    QNUIController::StopScan(1);
    NotificationCenter::instance().removeObserver(this, QLatin1String(kDetachPost));
    openSheet(QStringLiteral("PAGE_FOUR_DETACHED"), [this](int code) {
        if (code != 0) doBackHomeAction();
    });
}

// ----- pause, stop, deep scan -----

void ScanControls::pauseButtonClick() {
    if (!m_scan.takesClicks()) return;
    QNUIController::PauseOrResumeScan();
    if (!QNUIController::IsScanRunning()) {
        // The scan ended meanwhile: the finished state, not a toggle.
        m_scan.setPausedByUser(false);
        QNUIController::StopScan(1);
        m_scan.setTakesClicks(false);
        showProgress();
        return;
    }
    const bool paused = !m_scan.isPausedByUser();
    m_scan.setPausedByUser(paused);
    m_scan.setDeep(QNUIController::IsDeepScan());
    if (paused) m_scan.setTakesClicks(true);
    m_bar->showPaused(paused);
    emit pauseChanged(paused);
    updateScanButtons();
}

void ScanControls::stopButtonClick() {
    if (m_scan.isClosing() || !m_scan.takesClicks()) return;
    if (!m_scan.isPausedByUser() && !QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this](int code) {
        if (code != 0) {
            emit checksCleared();
            if (m_bar->recover()->isVisible() && m_scan.isPausedByUser()) m_bar->slideRecoverOut();
            m_scan.setPausedByUser(false);
            m_bar->search()->setSearchEnabled(false);
            m_bar->recover()->hide();
            for (TCImageButton* b : {m_bar->pause(), m_bar->play(), m_bar->stop(), m_bar->home()})
                b->setButtonEnabled(false);
            m_scan.setTakesClicks(false);
            QTimer::singleShot(500, this, [this] { stopAction(); });
            return;
        }
        if (m_scan.isPausedByUser()) return;
        if (QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
        m_scan.setTakesClicks(true);
        updateScanButtons();
    });
}

void ScanControls::stopAction() {
    QNUIController::StopScan(0);
    showProgress();
    m_scan.setTakesClicks(false);
    m_bar->play()->setButtonEnabled(false);
    updateScanButtons();
}

void ScanControls::deepSrcanButtonAction() {
    emit checksCleared();
    m_offer->hide();
    m_scan.setTakesClicks(true);
    m_scan.setPausedByUser(false);
    m_scan.setDeep(true);
    m_scan.setFinished(false);
    m_bar->showScanStarting();
    emit scanStarting();
    layoutBar();
    QTimer::singleShot(200, this, [this] { doDeepScanAction(); });
}

void ScanControls::doDeepScanAction() {
    QNUIController::ResetShouldBuild();
    m_scan.observe();
    m_scan.start();
    QNUIController::DoDeepScan(ScanFollower::kScanPost);
    updateScanButtons();
}

}  // namespace app::results
