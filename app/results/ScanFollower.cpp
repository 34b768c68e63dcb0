#include "app/results/ScanFollower.h"

#include <QTimer>

#include "app/base/NotificationCenter.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

namespace {
constexpr int kWatchMs = 500;  // the end of a scan is looked for even when no post comes
const char kListPost[] = "RefreshTableView";
}  // namespace

const char* const ScanFollower::kScanPost = "NormalScranValue";

ScanFollower::ScanFollower(QObject* parent) : QObject(parent), m_watch(new QTimer(this)) {
    setObjectName(QStringLiteral("scanFollower"));
    m_watch->setInterval(kWatchMs);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (m_state.following() && !uimodel::QNUIController::IsScanRunning()) emit stepped();
    });
}

void ScanFollower::observe() {
    NotificationCenter& center = NotificationCenter::instance();
    stopObserving();
    center.addObserver(this, QLatin1String(kScanPost), [this](const QVariantMap&) { emit stepped(); });
    center.addObserver(this, QLatin1String(kListPost), [this](const QVariantMap&) { emit listChanged(); });
}

void ScanFollower::stopObserving() { NotificationCenter::instance().removeObserver(this); }

void ScanFollower::prepare(ScanKind kind) { change({ScanPhase::Idle, kind, m_state.leaving}); }

void ScanFollower::start(ScanKind kind) {
    change({ScanPhase::Running, kind, m_state.leaving});
    m_watch->start();
}

void ScanFollower::setPhase(ScanPhase phase) { change({phase, m_state.kind, m_state.leaving}); }

void ScanFollower::windDown(Leaving where) {
    change({ScanPhase::Stopping, m_state.kind, where == Leaving::No ? m_state.leaving : where});
}

void ScanFollower::leave(Leaving where) { change({m_state.phase, m_state.kind, where}); }

void ScanFollower::end() {
    m_watch->stop();
    change({ScanPhase::Ended, m_state.kind, m_state.leaving});
}

void ScanFollower::stopWatch() { m_watch->stop(); }

bool ScanFollower::runsUnpaused() {
    return uimodel::QNUIController::IsScanRunning() && !uimodel::QNUIController::IsPause();
}

void ScanFollower::change(ScanState next) {
    if (next == m_state) return;
    m_state = next;
    emit stateChanged(m_state);
}

}  // namespace app::results
