#include "app/shell/QNAppDelegate.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/results/QNDeletailWindowController.h"
#include "app/shell/NotificationCenter.h"
#include "app/shell/SignalQuit.h"
#include "app/shell/Strings.h"
#include "app/shell/USBNotifier.h"
#include "app/wizard/QNRootWindowController.h"

namespace app {

QNAppDelegate::QNAppDelegate(JobControl jobs, QObject* parent) : QObject(parent), m_guard(std::move(jobs)) {}

QNAppDelegate::~QNAppDelegate() {
  NotificationCenter::instance().removeObserver(this);
  delete m_root.data();
}

void QNAppDelegate::applicationDidFinishLaunching() {
  NotificationCenter& center = NotificationCenter::instance();
  center.addObserver(this, QStringLiteral("appWillTerminate"), [this](const QVariantMap&) { applicationWillTerminate(); });
  // Going back to the start page asks nothing of the delegate.
  center.addObserver(this, QStringLiteral("SetLangauageMemu"), [](const QVariantMap&) {});
  // A signal quits as the menu would, without asking: nobody may be there to answer.
  m_signals = std::make_unique<SignalQuit>([this](int) { applicationWillTerminate(); });
  USBNotifier::Start();
  runRootWindow();
}

void QNAppDelegate::runRootWindow() {
  if (m_root) return;
  auto* root = new QNRootWindowController;
  m_root = root;
  addMenuShortcuts(root);
  connect(root, &QNRootWindowController::resultsWindowOpened, this,
          [this](results::QNDeletailWindowController* window) { addMenuShortcuts(window); });
  connect(root, &QNRootWindowController::wentHome, this, [this, root] {
    root->deleteLater();
    m_root = nullptr;
    runRootWindow();
  });
  root->show();
  root->raise();
  root->activateWindow();
  emit rootWindowShown(root);
}

void QNAppDelegate::addMenuShortcuts(QWidget* window) {
  auto* quit = new QAction(Text(QStringLiteral("MENU_EXIT")), window);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QNAppDelegate::terminate);
  auto* minimize = new QAction(Text(QStringLiteral("MENU_MINIMIZE")), window);
  minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  connect(minimize, &QAction::triggered, window, &QWidget::showMinimized);
  window->addActions({quit, minimize});
}

void QNAppDelegate::terminate() {
  if (m_asking || m_ending) return;
  if (m_guard.RequestQuit() == QuitGuard::Request::QuitNow) {
    applicationWillTerminate();
    return;
  }
  m_asking = true;
  auto* box = new QMessageBox(QMessageBox::Warning, Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_TITLE")),
                              Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NODE")), QMessageBox::NoButton,
                              QApplication::activeWindow());
  box->setTextFormat(Qt::PlainText);
  QAbstractButton* yes = box->addButton(Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_YES_BUTTON")), QMessageBox::YesRole);
  box->addButton(Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NO_BUTTON")), QMessageBox::NoRole);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("quitSheet"));
  connect(box, &QMessageBox::finished, this, [this, box, yes] {
    m_asking = false;
    const bool stop = box->clickedButton() == yes;
    if (m_guard.Answer(stop)) {
      m_ending = true;
      QApplication::exit(0);
    }
  });
  box->open();
}

void QNAppDelegate::applicationWillTerminate() {
  if (m_ending) return;
  m_ending = true;
  m_guard.StopForExit();
  QApplication::exit(0);
}

}  // namespace app
