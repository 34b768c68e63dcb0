// The application delegate as the program drives it: the launch's update check before the root
// window, the menu in the root window's bar and its items, the quit sheet and SIGTERM during a
// job, a recorded one and a real deep scan. Each case runs in a process of its own (the test
// runner's discovery), since ending the run leaves the application's event loops for good.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <signal.h>

#include "../update/LoopbackServer.h"
#include "../update/VersionLists.h"
#include "FakeJobControl.h"
#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/TCWindowButton.h"
#include "app/shell/MainMenu.h"
#include "app/shell/QNAppDelegate.h"
#include "app/update/NetworkProbe.h"
#include "app/update/QNCheckUpdateWindowController.h"
#include "app/wizard/QNRootWindowController.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/Seams.h"
#include "uimodel/support/VersionMessage.h"

namespace {

using View = app::QNCheckUpdateWindowController::View;

using Jobs = apptest::FakeJobs;

// Catches the addresses handed to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

QStringList MenuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) titles << action->text();
    return titles;
}

TEST(AppDelegate, AsShippedTheRootWindowOpensAtOnceWithItsMenuAndNoNetworkItems) {
    app::QNAppDelegate delegate;
    EXPECT_EQ(delegate.updateAddresses().localVersion, 1) << "the installed list is read";
    EXPECT_FALSE(delegate.updateAddresses().checksForUpdates());
    EXPECT_TRUE(delegate.updateAddresses().supportUrl.isEmpty());
    delegate.applicationDidFinishLaunching();
    // Without an address nothing is fetched: the root window is there before any event ran.
    app::QNRootWindowController* root = delegate.rootWindow();
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(apptest::ShowsBarTitle(*root, app::Text(QStringLiteral("WINDOW_TOP_TITLE"))));
    EXPECT_EQ(delegate.updateWindow(), nullptr);
    EXPECT_EQ(uimodel::GetSeams().pSettings->Value("Participate").value_or(""), "true");

    app::MainMenu* menu = delegate.rootMenu();
    ASSERT_NE(menu, nullptr);
    QMenuBar* bar = menu->bar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(MenuTitles(bar),
              (QStringList{QStringLiteral("Quorin Data Recovery"), QStringLiteral("Window"), QStringLiteral("Help")}));
    // In the bar, right of the lights and clear of the centred title.
    const QRect inWindow(bar->mapTo(root, QPoint(0, 0)), bar->size());
    EXPECT_EQ(inWindow.top(), 0);
    EXPECT_LE(inWindow.bottom(), 21);
    EXPECT_GT(inWindow.left(), root->zoomButton()->mapTo(root, QPoint(root->zoomButton()->width(), 0)).x());
    EXPECT_LT(inWindow.right(), root->width() / 2 - 60);
    EXPECT_EQ(menu->about->text(), QStringLiteral("About Quorin Data Recovery"));
    EXPECT_FALSE(menu->checkUpdate->isEnabled());
    EXPECT_FALSE(menu->onlineHelp->isEnabled());
    EXPECT_FALSE(menu->supportCenter->isEnabled());
    EXPECT_TRUE(menu->quit->isEnabled());
    EXPECT_EQ(menu->quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(menu->minimize->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    // A disabled check item does nothing even when triggered by other means.
    delegate.CheckUpAction();
    EXPECT_EQ(delegate.updateWindow(), nullptr);
}

TEST(AppDelegate, ANewerVersionShowsTheUpdateWindowBeforeTheRootWindowOncePerWeek) {
    app::NetworkProbe::InstallSeam();
    uimodel::writeUpDataTimeStr("");
    LoopbackServer server;
    server.body = VersionListBytes(NumberedLines({QStringLiteral("faster scans")}, QStringLiteral("9")));
    app::UpdateAddresses addresses;
    addresses.localVersion = 1;
    addresses.iniUrl = server.url();
    addresses.supportUrl = QUrl(QStringLiteral("http://127.0.0.1:1/help"));

    UrlCatcher catcher;

    {
        app::QNAppDelegate delegate;
        delegate.setUpdateAddresses(addresses);
        View seen = View::Checking;
        bool rootBeforeClose = true;
        QObject::connect(&delegate, &app::QNAppDelegate::updateWindowShown, &delegate,
                         [&](app::QNCheckUpdateWindowController* window) {
                             rootBeforeClose = delegate.rootWindow() != nullptr;
                             EXPECT_EQ(window->delegate(), &delegate);
                             // The window runs its own loop: it is answered from inside it.
                             QObject::connect(window, &app::QNCheckUpdateWindowController::viewChanged, window,
                                              [&seen, window](View view) {
                                                  if (view == View::Checking) return;
                                                  seen = view;
                                                  QTimer::singleShot(0, window,
                                                                     &app::QNCheckUpdateWindowController::closeWindow);
                                              });
                         });
        delegate.applicationDidFinishLaunching();
        EXPECT_EQ(delegate.rootWindow(), nullptr);  // the fetch runs in the background
        EXPECT_TRUE(QTest::qWaitFor([&] { return delegate.rootWindow() != nullptr; }, 15000));
        EXPECT_EQ(seen, View::Update);
        EXPECT_FALSE(rootBeforeClose);
        ASSERT_NE(delegate.rootMenu(), nullptr);
        EXPECT_TRUE(delegate.rootMenu()->checkUpdate->isEnabled());
        delegate.rootMenu()->supportCenter->trigger();
        EXPECT_EQ(catcher.opened, QList<QUrl>{addresses.supportUrl});
    }
    EXPECT_FALSE(uimodel::getUpDataTimeStr().empty());
    const int connections = server.connections;
    EXPECT_GE(connections, 1);
    {
        // A second start within the week: the root window at once, the server never asked.
        app::QNAppDelegate delegate;
        delegate.setUpdateAddresses(addresses);
        delegate.applicationDidFinishLaunching();
        EXPECT_NE(delegate.rootWindow(), nullptr);
        EXPECT_EQ(delegate.updateWindow(), nullptr);
        QTest::qWait(200);
        EXPECT_EQ(server.connections, connections);
    }
}

TEST(AppDelegate, TheQuitSheetsNoResumesTheScanAndAsksAgainNextTime) {
    Jobs jobs;
    app::QNAppDelegate delegate(jobs.Control());
    delegate.applicationDidFinishLaunching();
    ASSERT_NE(delegate.rootMenu(), nullptr);
    for (int round = 0; round < 2; ++round) {
        delegate.rootMenu()->quit->trigger();
        QMessageBox* sheet = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            sheet = delegate.rootWindow()->window()->findChild<QMessageBox*>(QStringLiteral("quitSheet"));
            if (!sheet) {
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (top->objectName() == QStringLiteral("quitSheet") && top->isVisible())
                        sheet = qobject_cast<QMessageBox*>(top);
            }
            return sheet != nullptr;
        }));
        EXPECT_TRUE(jobs.paused);  // paused while the user is asked
        const QList<QAbstractButton*> buttons = sheet->buttons();
        QAbstractButton* no = nullptr;
        for (QAbstractButton* button : buttons)
            if (sheet->buttonRole(button) == QMessageBox::NoRole) no = button;
        ASSERT_NE(no, nullptr);
        no->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !jobs.paused; }));
        QTest::qWait(50);  // the sheet deletes itself
    }
    EXPECT_EQ(jobs.calls, "pause resume pause resume ");
    EXPECT_TRUE(jobs.running);
}

TEST(AppDelegate, SigtermDuringAScanStopsItWithoutAskingAndLeavesTheLoopWithZero) {
    Jobs jobs;
    app::QNAppDelegate delegate(jobs.Control());
    delegate.applicationDidFinishLaunching();
    int code = -1;
    // The loop the program runs in; SIGTERM must end it with 0.
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(10000, [] { QApplication::exit(3); });  // a guard: no answer is a failure
    code = QApplication::exec();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(jobs.calls, "stop ");
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_NE(top->objectName(), QStringLiteral("quitSheet"));
}

// The same road over the model's own jobs: a deep scan of a blank 16 GiB image (long enough to be
// running when the signal comes) is stopped and waited for, and the loop still ends with 0.
TEST(AppDelegate, SigtermDuringARealDeepScanStopsTheScanAndLeavesWithZero) {
    using uimodel::QNUIController;
    testsupport::TempDir temp;
    apptest::ScannedWindow window(apptest::InstallImage(apptest::BlankImage(temp, "16G")));
    ASSERT_TRUE(window.ScanToEnd());
    int posts = 0;
    QObject counter;
    app::NotificationCenter::instance().addObserver(&counter, QStringLiteral("NormalScranValue"),
                                                    [&](const QVariantMap&) { ++posts; });
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return posts > 0; }, 120000));
    if (!QNUIController::IsScanRunning()) GTEST_SKIP() << "the deep scan ended before its first notification";

    app::QNAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(30000, [] { QApplication::exit(3); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(QNUIController::IsScanRunning());
    // The quick scan's end, then the deep scan's, which the window takes from the poller's last
    // post (in the loop or just after it): never a third. The quick scan ran to its end; the deep
    // one was stopped.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ended.size() >= 2; }, 30000)) << "the deep scan's end never came";
    QTest::qWait(100);
    ASSERT_EQ(window.ended.size(), 2) << "one end of the deep scan";
    EXPECT_FALSE(window.ended.at(0).at(0).toBool()) << "the quick scan finished";
    EXPECT_TRUE(window.ended.at(1).at(0).toBool()) << "the deep scan was stopped, not finished";
}

}  // namespace

#include "DelegateTest.moc"
