#include "app/base/NotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace app {

namespace {

struct Observer {
    std::uint64_t id;
    QObject* receiver;  // compared only; forgetReceiver drops it before it dangles
    QPointer<QObject> alive;
    QString name;
    NotificationCenter::Handler handler;
};

// Every subscription, in the order made; touched on the GUI thread only.
std::vector<Observer>& Observers() {
    static std::vector<Observer> s_observers;
    return s_observers;
}

void DropWhere(const QObject* receiver, const QString* name) {
    std::erase_if(Observers(), [&](const Observer& observer) {
        return observer.receiver == receiver && (!name || observer.name == *name);
    });
}

bool StillSubscribed(std::uint64_t id) {
    const auto& observers = Observers();
    return std::any_of(observers.begin(), observers.end(),
                       [id](const Observer& observer) { return observer.id == id; });
}

}  // namespace

NotificationCenter& NotificationCenter::instance() {
    static NotificationCenter* s_center = [] {
        auto* center = new NotificationCenter;  // outlives every receiver
        // Posts are delivered through its event queue on the GUI thread, whoever asks first.
        if (QCoreApplication* application = QCoreApplication::instance()) center->moveToThread(application->thread());
        return center;
    }();
    return *s_center;
}

void NotificationCenter::addObserver(QObject* receiver, const QString& name, Handler handler) {
    if (!receiver || !handler) return;
    static std::uint64_t s_nextId = 0;
    Observers().push_back({++s_nextId, receiver, receiver, name, std::move(handler)});
    connect(receiver, &QObject::destroyed, this, &NotificationCenter::forgetReceiver, Qt::UniqueConnection);
}

void NotificationCenter::removeObserver(QObject* receiver) { DropWhere(receiver, nullptr); }

void NotificationCenter::removeObserver(QObject* receiver, const QString& name) { DropWhere(receiver, &name); }

void NotificationCenter::forgetReceiver(QObject* receiver) { DropWhere(receiver, nullptr); }

void NotificationCenter::post(const QString& name, const QVariantMap& payload) {
    Q_ASSERT(QThread::currentThread() == thread());
    // A handler may subscribe, unsubscribe or destroy a receiver: deliver from a copy, and only to
    // subscriptions that are still there when their turn comes.
    std::vector<std::pair<std::uint64_t, Handler>> due;
    for (const Observer& observer : Observers())
        if (observer.name == name && observer.alive) due.emplace_back(observer.id, observer.handler);
    for (auto& [id, handler] : due)
        if (StillSubscribed(id)) handler(payload);
}

}  // namespace app
