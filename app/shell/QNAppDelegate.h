#pragma once
// The application's delegate: the root window (a new one each time the results window goes
// home), the quit road shared by the menu, the window's close, SIGINT and SIGTERM, the media
// notifier, and the menu's shortcuts.

#include <QObject>
#include <QPointer>

#include <memory>

#include "app/shell/QuitGuard.h"

namespace app {

class QNRootWindowController;
class SignalQuit;

class QNAppDelegate : public QObject {
  Q_OBJECT
 public:
  explicit QNAppDelegate(JobControl jobs = JobControl::Facade(), QObject* parent = nullptr);
  ~QNAppDelegate() override;

  // Observes "appWillTerminate", starts the media notifier, shows the root window.
  void applicationDidFinishLaunching();
  // Shows a root window when none shows.
  void runRootWindow();
  QNRootWindowController* rootWindow() const { return m_root; }

  // The menu's quit: asks while a job runs (the jobs paused meanwhile).
  void terminate();
  // Ends the run: the jobs stopped and waited for, then the event loop left with 0.
  void applicationWillTerminate();

 signals:
  void rootWindowShown(app::QNRootWindowController* window);

 private:
  void addMenuShortcuts(QWidget* window);

  QuitGuard m_guard;
  std::unique_ptr<SignalQuit> m_signals;
  QPointer<QNRootWindowController> m_root;
  bool m_asking = false;
  bool m_ending = false;
};

}  // namespace app
