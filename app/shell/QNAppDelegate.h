#pragma once
// The application's delegate: the launch's update check, the root window (a new one each time
// the results window goes home), the menu and its actions, the quit road shared by the menu, the
// window's close, SIGINT and SIGTERM, and the media notifier.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/shell/QuitGuard.h"
#include "app/update/UpdateAddresses.h"

namespace app {

class MainMenu;
class QNCheckUpdateWindowController;
class QNRootWindowController;
class SignalQuit;

class QNAppDelegate : public QObject {
    Q_OBJECT
public:
    explicit QNAppDelegate(JobControl jobs = JobControl::Facade(), QObject* parent = nullptr);
    ~QNAppDelegate() override;

    // The addresses of the installed version list unless a test gives its own before launching.
    void setUpdateAddresses(UpdateAddresses addresses) { m_addresses = std::move(addresses); }
    const UpdateAddresses& updateAddresses() const { return m_addresses; }

    // Observes "appWillTerminate", starts the media notifier, then shows the update window when
    // the weekly check finds a newer version, else the root window.
    void applicationDidFinishLaunching();
    QNRootWindowController* rootWindow() const { return m_root; }
    MainMenu* rootMenu() const;
    QNCheckUpdateWindowController* updateWindow() const { return m_checkUpdateWindow.get(); }

    // Ends the run: the jobs stopped and waited for, then the event loop left with 0.
    void applicationWillTerminate();
    // What SIGINT and SIGTERM do in place of applicationWillTerminate (a scripted run reports
    // how it ended first).
    void setSignalAction(std::function<void()> action) { m_signalAction = std::move(action); }

public slots:
    // Shows a root window when none shows (the update window calls it when it closes).
    void runRootWindow();
    // The menu's quit: asks while a job runs (the jobs paused meanwhile).
    void terminate();
    void aboutAction();
    void CheckUpAction();
    void supportCenterAction();

signals:
    void rootWindowShown(app::QNRootWindowController* window);
    void updateWindowShown(app::QNCheckUpdateWindowController* window);

private:
    MainMenu* addMenu(QWidget* window);
    QNCheckUpdateWindowController& checkUpdateWindow();

    QuitGuard m_guard;
    UpdateAddresses m_addresses;
    std::unique_ptr<SignalQuit> m_signals;
    QPointer<QNRootWindowController> m_root;
    QPointer<MainMenu> m_rootMenu;
    std::unique_ptr<QNCheckUpdateWindowController> m_checkUpdateWindow;
    std::function<void()> m_signalAction;
    bool m_asking = false;
    bool m_ending = false;
};

}  // namespace app
