// The finished results window by the keyboard alone: Tab walks its controls in the order the
// window lays them out (the bar left to right, the left pane, the right pane), and every stop
// shows where the focus is, a ring of its own or the focus halo; Return presses the focused tab
// and view segment. Pictures of the stops that
// draw no ring themselves go to the build folder at the process's scale.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "FatTestImages.h"
#include "Grabs.h"
#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/controls/BandedListView.h"
#include "app/controls/FocusHalo.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/results/ResultViews.h"
#include "app/thumbview/PreviewPanes.h"

namespace {

using app::results::QNDeletailWindowController;

TEST(ResultsKeyboard, TabFollowsTheLayoutAndEveryStopShowsItsFocus) {
    FAT_IMAGES_OR_SKIP();
    app::InstallFocusHalo(*qApp);
    apptest::ScannedWindow window(apptest::InstallImage(fattest::Image("fat32.img")), {1000, 650});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.ScanToEnd());
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    auto* previews = apptest::Pane(window)->previews();
    auto part = [&](const char* name) { return apptest::Part<QWidget>(window, name); };
    QWidget* home = part("homeButton");
    const std::vector<QWidget*> expected = {
        home, part("deepScanButton"), part("recoverButton"),
        apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField(), part("exportButton"),
        part("pathTab"), part("typeTab"), part("timeTab"), part("pathTree"),
        // The view switch is one stop, on its chosen segment; the arrows move within it.
        previews->segmentButton(0), apptest::Pane(window)->selectAllButton(), apptest::Pane(window)->tableView()};
    home->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> walked{QApplication::focusWidget()};
    for (std::size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.push_back(QApplication::focusWidget());
    }
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(walked[i], expected[i])
            << "stop " << i << " is " << (walked[i] ? walked[i]->metaObject()->className() : "none");

    // The stops that draw no ring of their own wear the halo while the keyboard holds them.
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    for (QWidget* stop : {static_cast<QWidget*>(previews->segmentButton(0)),
                          static_cast<QWidget*>(apptest::Pane(window)->selectAllButton()),
                          static_cast<QWidget*>(apptest::Pane(window)->tableView())}) {
        if (auto* list = qobject_cast<QAbstractItemView*>(stop)) list->setCurrentIndex({});
        home->setFocus(Qt::TabFocusReason);
        stop->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(app::NeedsFocusHalo(stop)) << stop->metaObject()->className();
        QWidget* halo = stop->findChild<QWidget*>(QStringLiteral("focusHalo"));
        ASSERT_NE(halo, nullptr) << stop->metaObject()->className();
        EXPECT_TRUE(halo->isVisible());
        EXPECT_EQ(halo->geometry(), stop->rect());
        window.grab().save(
            apptest::GrabFolder() +
            QStringLiteral("/focus-%1-%2.png").arg(QLatin1String(stop->metaObject()->className())).arg(scale));
        // A click's focus shows no halo.
        home->setFocus(Qt::MouseFocusReason);
        stop->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(stop->findChild<QWidget*>(QStringLiteral("focusHalo")), nullptr);
    }

    // Return presses the focused tab and view segment, as Space does.
    part("typeTab")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return apptest::Pane(window)->currentTab() == QNDeletailWindowController::kTypeTab; }, 2000));
    previews->segmentButton(app::thumbview::PreviewPanes::kGrid)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return previews->segment() == app::thumbview::PreviewPanes::kGrid; }, 2000));
}

}  // namespace
