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
        if (m_following && !uimodel::QNUIController::IsScanRunning()) emit stepped();
    });
}

void ScanFollower::observe() {
    NotificationCenter& center = NotificationCenter::instance();
    stopObserving();
    center.addObserver(this, QLatin1String(kScanPost), [this](const QVariantMap&) { emit stepped(); });
    center.addObserver(this, QLatin1String(kListPost), [this](const QVariantMap&) { emit listChanged(); });
}

void ScanFollower::stopObserving() { NotificationCenter::instance().removeObserver(this); }

void ScanFollower::start() {
    m_following = true;
    m_watch->start();
}

void ScanFollower::end() {
    m_following = false;
    m_watch->stop();
}

void ScanFollower::stopWatch() { m_watch->stop(); }

bool ScanFollower::runsUnpaused() {
    return uimodel::QNUIController::IsScanRunning() && !uimodel::QNUIController::IsPause();
}

void ScanFollower::change(bool& field, bool value) {
    if (field == value) return;
    field = value;
    emit stateChanged();
}

void ScanFollower::setFinished(bool finished) { change(m_finished, finished); }
void ScanFollower::setDeep(bool deep) { change(m_deep, deep); }
void ScanFollower::setPausedByUser(bool paused) { change(m_pausedByUser, paused); }
void ScanFollower::setTakesClicks(bool takes) { change(m_takesClicks, takes); }
void ScanFollower::setClosing() { change(m_closing, true); }
void ScanFollower::setGoingHome() { change(m_goingHome, true); }
void ScanFollower::setImport() { change(m_import, true); }

}  // namespace app::results
