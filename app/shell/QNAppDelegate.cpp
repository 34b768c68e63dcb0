#include "app/shell/QNAppDelegate.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/shell/MainMenu.h"
#include "app/shell/SignalQuit.h"
#include "app/shell/USBNotifier.h"
#include "app/update/LaunchUpdateCheck.h"
#include "app/update/QNAboutWindowController.h"
#include "app/update/QNCheckUpdateWindowController.h"
#include "app/wizard/QNRootWindowController.h"

namespace app {

QNAppDelegate::QNAppDelegate(JobControl jobs, QObject* parent)
    : QObject(parent), m_guard(std::move(jobs)), m_addresses(UpdateAddresses::Installed()) {}

QNAppDelegate::~QNAppDelegate() {
    NotificationCenter::instance().removeObserver(this);
    delete m_root.data();
}

void QNAppDelegate::applicationDidFinishLaunching() {
    NotificationCenter& center = NotificationCenter::instance();
    center.addObserver(this, QStringLiteral("appWillTerminate"),
                       [this](const QVariantMap&) { applicationWillTerminate(); });
    // Going back to the start page asks nothing of the delegate.
    center.addObserver(this, QStringLiteral("SetLangauageMemu"), [](const QVariantMap&) {});
    // A signal quits as the menu would, without asking: nobody may be there to answer.
    m_signals = std::make_unique<SignalQuit>([this](int) {
        if (m_signalAction)
            m_signalAction();
        else
            applicationWillTerminate();
    });
    USBNotifier::Start();
    // The check never holds up the start: without an address it answers at once, else when the
    // list arrived or the fetch timed out.
    auto* check = new LaunchUpdateCheck(m_addresses, &QDateTime::currentDateTime, this);
    check->run([this, check](bool showUpdate, const RemoteVersionList&) {
        check->deleteLater();
        if (!showUpdate) {
            runRootWindow();
            return;
        }
        // Out of the network reply's handler before the window's own loop runs.
        QTimer::singleShot(0, this, [this] {
            QNCheckUpdateWindowController& window = checkUpdateWindow();
            window.setDelegate(this);
            emit updateWindowShown(&window);
            window.showModal();
        });
    });
}

MainMenu* QNAppDelegate::rootMenu() const { return m_rootMenu; }

QNCheckUpdateWindowController& QNAppDelegate::checkUpdateWindow() {
    if (!m_checkUpdateWindow) m_checkUpdateWindow = std::make_unique<QNCheckUpdateWindowController>(m_addresses);
    return *m_checkUpdateWindow;
}

void QNAppDelegate::aboutAction() {
    QNAboutWindowController about(m_addresses);
    about.showModal();
}

void QNAppDelegate::CheckUpAction() {
    if (!m_addresses.checksForUpdates()) return;
    QNCheckUpdateWindowController& window = checkUpdateWindow();
    if (window.window()->isVisible()) return;
    emit updateWindowShown(&window);
    window.showModal();
}

void QNAppDelegate::supportCenterAction() {
    if (!m_addresses.supportUrl.isEmpty()) QDesktopServices::openUrl(m_addresses.supportUrl);
}

void QNAppDelegate::runRootWindow() {
    if (m_root) return;
    auto* root = new QNRootWindowController;
    m_root = root;
    m_rootMenu = addMenu(root);
    connect(root, &QNRootWindowController::resultsWindowOpened, this,
            [this](results::QNDeletailWindowController* window) { addMenu(window)->placeInBar(window); });
    connect(root, &QNRootWindowController::wentHome, this, [this, root] {
        root->deleteLater();
        m_root = nullptr;
        runRootWindow();
    });
    if (QScreen* screen = root->screen()) {
        QRect frame = root->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        root->move(frame.topLeft());
    }
    root->show();
    m_rootMenu->placeInBar(root);
    root->raise();
    root->activateWindow();
    emit rootWindowShown(root);
}

MainMenu* QNAppDelegate::addMenu(QWidget* window) {
    auto* menu = new MainMenu(window, m_addresses.checksForUpdates(), !m_addresses.supportUrl.isEmpty());
    connect(menu->about, &QAction::triggered, this, &QNAppDelegate::aboutAction);
    connect(menu->checkUpdate, &QAction::triggered, this, &QNAppDelegate::CheckUpAction);
    connect(menu->quit, &QAction::triggered, this, &QNAppDelegate::terminate);
    connect(menu->onlineHelp, &QAction::triggered, this, &QNAppDelegate::supportCenterAction);
    connect(menu->supportCenter, &QAction::triggered, this, &QNAppDelegate::supportCenterAction);
    return menu;
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
