#pragma once
// Notifications by name on the GUI thread. The model's poster hands it bare names; the
// application's own names may carry a payload ("RefreshDetachDevice" with "USBPath").

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace app {

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QVariantMap& payload)>;

    static NotificationCenter& instance();

    // Calls handler on the GUI thread for every post of name until receiver is destroyed or
    // removed; the subscription dies with its receiver.
    void addObserver(QObject* receiver, const QString& name, Handler handler);
    // Stops observing everything for receiver.
    void removeObserver(QObject* receiver);
    void removeObserver(QObject* receiver, const QString& name);
    // Delivers at once to the current observers; call on the GUI thread.
    void post(const QString& name, const QVariantMap& payload = {});

private slots:
    void forgetReceiver(QObject* receiver);
};

}  // namespace app
