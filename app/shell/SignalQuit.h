#pragma once
// SIGINT and SIGTERM turned into a call on the GUI thread (a self-pipe read by a socket
// notifier), so they quit by the same road as the menu.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace app {

// The program's exit status is decided (its loop has ended): from now on SIGINT and SIGTERM end
// it at once with that status, also after the SignalQuit has gone.
void SettleSignals(int exitCode);

class SignalQuit : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; `onSignal` runs on the GUI thread once per delivered signal. One
    // instance per process.
    explicit SignalQuit(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~SignalQuit() override;

private:
    void Drain();

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};

}  // namespace app
