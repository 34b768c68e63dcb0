#include "app/results/ScanControls.h"

#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
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

void ScanControls::followResize() {
    m_bar->layoutParts();
    if (m_scan.state().following()) {
        double percent = 0;
        std::uint64_t count = 0;
        QNUIController::GetScanProgress(percent, count);
        m_bar->showProgressValue(percent);
    }
    m_offer->follow();
}

void ScanControls::openSheet(const QString& prefix, std::function<void(int)> done) {
    const bool detached = prefix.endsWith(QLatin1String("DETACHED"));
    const SheetTexts texts{Text(prefix + QStringLiteral("_TITLE")), Text(prefix + QStringLiteral("_NODE")),
                           Text(prefix + (detached ? QStringLiteral("_BUTTON") : QStringLiteral("_YES_BUTTON"))),
                           detached ? QString() : Text(prefix + QStringLiteral("_NO_BUTTON"))};
    QWidget* sheet = OpenSheet(m_window, texts, [guard = QPointer<ScanControls>(this), done](int code) {
        if (guard) done(code);
    });
    sheet->setObjectName(prefix);  // what a script waits for
    emit sheetOpened(sheet);
}

// ----- progress and the end -----

void ScanControls::showProgress() {
    double percent = 0;
    std::uint64_t count = 0;
    const QString remaining = QString::fromStdString(QNUIController::GetScanProgress(percent, count));
    m_bar->showProgress(percent, count, remaining);
    emit progressShown(percent < 1.0 ? 0 : static_cast<int>(percent));
    if (!QNUIController::IsScanRunning() && m_scan.state().following()) showFinishedState();
}

void ScanControls::showFinishedState() {
    const bool stopped = QNUIController::WasScanStopped();
    m_scan.end();
    const ScanState& state = m_scan.state();
    if (state.kind == ScanKind::Quick && state.leaving == Leaving::No) m_offer->show();
    emit finished();
    if (state.leaving == Leaving::Close) emit closing();
    if (state.leaving == Leaving::Home) doBackHomeAction();
    emit scanEnded(stopped);
}

// ----- back home, close, the scanned disk's removal -----

void ScanControls::backButtonAction() {
    if (!m_scan.state().takesClicks()) return;
    if (!QNUIController::IsScanRunning()) {
        doBackHomeAction();
        return;
    }
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_BACKHOME"), [this](int code) {
        if (code != 0) {
            emit checksCleared();
            QNUIController::StopScan(1);
            m_scan.windDown(Leaving::Home);
            if (!QNUIController::IsScanRunning()) doBackHomeAction();
            return;
        }
        resumeUnlessPausedByUser();
    });
}

void ScanControls::resumeUnlessPausedByUser() {
    if (m_scan.state().phase != ScanPhase::Paused && QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
}

void ScanControls::doBackHomeAction() {
    NotificationCenter::instance().post(QStringLiteral("SetLangauageMemu"));
    m_scan.leave(Leaving::Home);
    m_scan.end();
    m_offer->hide();
    emit leaving();
    // The start page is the shell's; it asks for it a moment later, as the window has gone.
    QTimer::singleShot(200, this, [this] { emit backHomeRequested(); });
}

void ScanControls::closeWindow() {
    if (m_scan.state().leaving != Leaving::No) return;
    if (!QNUIController::IsScanRunning()) {
        m_window->close();
        return;
    }
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this](int code) {
        if (code != 0) {
            QNUIController::StopScan(1);
            m_scan.windDown(Leaving::Close);
            showProgress();
            return;
        }
        resumeUnlessPausedByUser();
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
    const ScanPhase phase = m_scan.state().phase;
    if (!m_scan.state().takesClicks() || (phase != ScanPhase::Running && phase != ScanPhase::Paused)) return;
    const bool resuming = phase == ScanPhase::Paused;
    // A search made while paused never outlives the resume. The model forgets one only while the
    // scan waits: before a resume, after a pause.
    if (resuming) emit searchClearRequested();
    QNUIController::PauseOrResumeScan();
    if (!QNUIController::IsScanRunning()) {
        // The scan ended meanwhile: the finished state, not a toggle.
        QNUIController::StopScan(1);
        m_scan.windDown();
        showProgress();
        return;
    }
    if (!resuming) emit searchClearRequested();
    m_scan.setPhase(resuming ? ScanPhase::Running : ScanPhase::Paused);
    emit pauseChanged(!resuming);
}

void ScanControls::stopButtonClick() {
    if (!m_scan.state().takesClicks() || !QNUIController::IsScanRunning()) return;
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    openSheet(QStringLiteral("PAGE_FOUR_SCAN_STOP"), [this](int code) {
        if (code != 0) {
            emit checksCleared();
            // The tree is still built after a stop: it would hold files a search made meanwhile
            // never saw.
            emit searchClearRequested();
            m_scan.windDown();
            QTimer::singleShot(500, this, [this] { stopAction(); });
            return;
        }
        resumeUnlessPausedByUser();
    });
}

void ScanControls::stopAction() {
    QNUIController::StopScan(0);
    showProgress();
}

void ScanControls::deepSrcanButtonAction() {
    const ScanState& state = m_scan.state();
    if (state.phase != ScanPhase::Ended || state.kind != ScanKind::Quick || !state.takesClicks()) return;
    emit checksCleared();
    m_offer->hide();
    m_scan.prepare(ScanKind::Deep);
    emit scanStarting();
    QTimer::singleShot(200, this, [this] { doDeepScanAction(); });
}

void ScanControls::doDeepScanAction() {
    // The window left meanwhile: no scan behind its back.
    if (m_scan.state().phase != ScanPhase::Idle || m_scan.state().leaving != Leaving::No) return;
    QNUIController::ResetShouldBuild();
    m_scan.observe();
    m_scan.start(ScanKind::Deep);
    QNUIController::DoDeepScan(ScanFollower::kScanPost);
}

}  // namespace app::results
