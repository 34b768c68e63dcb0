// The results window's guarded commands over a running scan: a 1 GiB sparse disk image holds
// nothing, so its quick scan ends at once (the empty-list note stays away) and its deep scan
// runs long enough to be paused from its first notification. Back home and close ask first and
// resume on No only a scan the user had not paused; the scanned disk's removal stops the scan
// and, after its sheet, goes home; another disk's is ignored. The timers: the deep-scan offer's
// 8 s and the remaining time's once a second.
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/ResultTreeModel.h"
#include "app/shell/MainMenu.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"

namespace {

using app::results::QNDeletailWindowController;
using apptest::kScanTimeoutMs;
using uimodel::QNUIController;

TEST(ResultsCommands, BackHomeCloseAndDetachGuardARunningScan) {
    testsupport::TempDir temp;
    apptest::ScannedWindow window(apptest::InstallImage(apptest::BlankImage(temp, "1G")));
    const QSignalSpy& sheets = window.sheets;
    QSignalSpy home(&window, &QNDeletailWindowController::backHomeRequested);
    ASSERT_TRUE(window.ScanToEnd());
    EXPECT_EQ(apptest::Pane(window)->treeModel(0)->rowCount(), 0);
    EXPECT_EQ(apptest::Pane(window)->tableView()->noValueView(), nullptr) << "nothing found: no empty-list note";

    // The deep scan, paused (not by the user) from its first notification.
    QObject pauser;
    bool pausedOnce = false;
    app::NotificationCenter::instance().addObserver(
        &pauser, QStringLiteral("NormalScranValue"), [&](const QVariantMap&) {
            if (!pausedOnce && QNUIController::IsScanRunning() && !QNUIController::IsPause()) {
                QNUIController::PauseOrResumeScan();
                pausedOnce = true;
            }
        });
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pausedOnce; }, kScanTimeoutMs));
    if (!QNUIController::IsScanRunning()) GTEST_SKIP() << "the deep scan ended before its first notification";
    app::NotificationCenter::instance().removeObserver(&pauser);

    // Back home, No: a scan the user had not paused resumes.
    apptest::Controls(window)->backButtonAction();
    ASSERT_EQ(sheets.size(), 1);
    window.AnswerLastSheet(false);
    EXPECT_FALSE(QNUIController::IsPause());
    // The user pauses; close, No: it stays paused.
    apptest::Controls(window)->pauseButtonClick();
    ASSERT_TRUE(QNUIController::IsPause());
    ASSERT_EQ(apptest::Phase(window), app::results::ScanPhase::Paused);
    apptest::Controls(window)->closeWindow();
    ASSERT_EQ(sheets.size(), 2);
    window.AnswerLastSheet(false);
    EXPECT_TRUE(QNUIController::IsPause());
    // Back home, No, with the user's pause: still paused.
    apptest::Controls(window)->backButtonAction();
    ASSERT_EQ(sheets.size(), 3);
    window.AnswerLastSheet(false);
    EXPECT_TRUE(QNUIController::IsPause());

    // Another disk goes: nothing happens. This one goes: the scan stops, a sheet, then home.
    app::NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"),
                                             {{QStringLiteral("USBPath"), QStringLiteral("sdz")}});
    EXPECT_EQ(sheets.size(), 3);
    EXPECT_TRUE(QNUIController::IsScanRunning());
    const QString scanned = QString::fromStdString(QNUIController::GetScannedDiskName());
    ASSERT_FALSE(scanned.isEmpty());
    app::NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"),
                                             {{QStringLiteral("USBPath"), scanned}});
    ASSERT_EQ(sheets.size(), 4);
    ASSERT_TRUE(QTest::qWaitFor([] { return !QNUIController::IsScanRunning(); }, kScanTimeoutMs));
    window.AnswerLastSheet(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !home.isEmpty(); }, 5000));
    EXPECT_FALSE(window.isVisible());
}

}  // namespace

namespace {

QString ModelRemaining() {
    double percent = 0;
    std::uint64_t count = 0;
    return QString::fromStdString(QNUIController::GetScanProgress(percent, count));
}

// The deep-scan offer after the quick scan: 8 s, then gone. A deep scan under a held clock (of
// 16 GiB, so it outlasts the test): the remaining time moves only when a second has passed;
// stopping it (the tree kept, flag 0) leaves no command usable while the scan winds down and
// builds its tree.
TEST(ResultsTimers, OfferClosesOnItsTimerRemainingTimeWaitsASecondStopRefusesCommandsWhileBuilding) {
    testsupport::TempDir temp;
    apptest::ScannedWindow window(apptest::InstallImage(apptest::BlankImage(temp, "16G")), {1000, 650});
    // The program's menu in the bar's title row, as the shell places it in every results window.
    app::MainMenu menu(&window, false, false);
    QMenuBar* menuBar = menu.placeInBar(&window);
    qint64 now = 1'000'000;
    apptest::Bar(window)->setClock([&now] { return now; });
    ASSERT_TRUE(window.ScanToEnd());

    // The offer: an 8-s single shot that takes it away; it sits in the bar, clear of the menu
    // above it, the tabs and the list's header below it and what the scan box shows right of it.
    ASSERT_TRUE(apptest::ShownOffer(window));
    QTimer* offerTimer = apptest::Part<QTimer>(window, "deepScanOfferTimer");
    EXPECT_EQ(offerTimer->interval(), 8000);
    EXPECT_TRUE(offerTimer->isSingleShot());
    EXPECT_TRUE(offerTimer->isActive());
    EXPECT_LE(apptest::ShownOffer(window)->geometry().bottom(), 90) << "inside the 90-px bar";
    EXPECT_GE(apptest::ShownOffer(window)->geometry().left(),
              apptest::Part<app::TCImageButton>(window, "deepScanButton")->geometry().right());
    const QRect offer = apptest::ShownOffer(window)->geometry();
    for (QAction* item : menuBar->actions()) {
        const QRect frame = menuBar->actionGeometry(item).translated(menuBar->mapTo(&window, QPoint(0, 0)));
        EXPECT_FALSE(frame.intersects(offer)) << "the menu's " << item->text().toStdString() << " stays in sight";
    }
    EXPECT_EQ(window.BoxPartCoveredBy(offer), "") << "what the scan box shows stays in sight";
    offerTimer->start(1);  // the same timer, fired now rather than in 8 s
    EXPECT_TRUE(QTest::qWaitFor([&] { return !apptest::ShownOffer(window); }, 5000));

    // A deep scan under the held clock.
    int posts = 0;
    QObject counter;
    app::NotificationCenter::instance().addObserver(&counter, QStringLiteral("NormalScranValue"),
                                                    [&](const QVariantMap&) { ++posts; });
    window.ended.clear();
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return posts > 0; }, kScanTimeoutMs));
    if (!QNUIController::IsScanRunning()) GTEST_SKIP() << "the deep scan ended before its first notification";
    const QString first = apptest::LabelText(window, "remainingLabel");
    // The model's estimate moves on; the label does not while the clock holds.
    const bool moved = QTest::qWaitFor(
        [&] {
            return posts > 3 && apptest::LabelText(window, "remainingLabel") == first &&
                   app::Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(ModelRemaining()) != first;
        },
        30000);
    EXPECT_EQ(apptest::LabelText(window, "remainingLabel"), first);
    if (moved) {
        ++now;
        const int seen = posts;
        ASSERT_TRUE(QTest::qWaitFor([&] { return posts > seen + 1; }, kScanTimeoutMs));
        EXPECT_NE(apptest::LabelText(window, "remainingLabel"), first) << "a second later the label follows the model";
    }

    // Stop, Yes: from then on nothing may be clicked until the finished state shows.
    ASSERT_TRUE(QNUIController::IsScanRunning());
    apptest::Controls(window)->stopButtonClick();
    ASSERT_EQ(window.sheets.size(), 1);
    window.AnswerLastSheet(true);
    for (app::TCImageButton* button : {apptest::Part<app::TCImageButton>(window, "homeButton"),
                                       apptest::Part<app::TCImageButton>(window, "pauseButton"),
                                       apptest::Part<app::TCImageButton>(window, "stopButton"),
                                       apptest::Part<app::TCImageButton>(window, "playButton")})
        EXPECT_FALSE(button->isButtonEnabled());
    // While the scan winds down and builds its tree: back home and stop ask nothing.
    apptest::Controls(window)->backButtonAction();
    apptest::Controls(window)->stopButtonClick();
    EXPECT_EQ(window.sheets.size(), 1);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_EQ(apptest::Phase(window), app::results::ScanPhase::Ended);
    EXPECT_TRUE(window.isVisible()) << "a stop keeps the window and what was found";
    EXPECT_FALSE(apptest::Part<app::TCImageButton>(window, "deepScanButton")->isVisibleTo(&window));
    EXPECT_FALSE(apptest::ShownOffer(window)) << "no offer after a deep scan";
}

// After a search that matched nothing, Home and a scan of another disk: the new window's search
// is empty and its list shows no note of the earlier search.
TEST(ResultsCommands, ANewScanStartsWithAnEmptySearchAndNoEmptyListNote) {
    for (const char* tool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir temp;
    const std::string card = temp.File("card.img");
    ASSERT_EQ(testsupport::RunCommand("set -e; export MTOOLS_SKIP_CHECK=1; mkfs.fat -F 32 -C '" + card +
                                      "' 40960 >/dev/null; echo photo > '" + temp.File("p.txt") + "'; mcopy -i '" +
                                      card + "' '" + temp.File("p.txt") + "' ::/P.TXT"),
              0);
    const auto field = [](const QWidget& window) {
        return apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField();
    };
    const auto note = [](const QWidget& window) -> QString {
        QWidget* shown = apptest::Part<app::CustomTableView>(window, "fileList")->noValueView();
        QLabel* label = shown ? shown->findChild<QLabel*>() : nullptr;
        return label ? label->text() : QString();
    };
    const std::string blank = apptest::BlankImage(temp, "64M");
    auto rows = apptest::InstallImages({card, blank});
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[0]->devicePath(), card);
    ASSERT_EQ(rows[1]->devicePath(), blank);
    {
        apptest::ScannedWindow window(std::move(rows[0]));
        QSignalSpy home(&window, &QNDeletailWindowController::backHomeRequested);
        ASSERT_TRUE(window.ScanToEnd());
        field(window)->setText(QStringLiteral("no such name"));
        QTest::keyClick(field(window), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return note(window) == app::Text("DYD_FOUR_NO_MATCH_NOTE"); }, 10000))
            << note(window).toStdString();
        apptest::Part<app::TCImageButton>(window, "homeButton")->click();
        ASSERT_TRUE(home.wait(5000));
    }
    apptest::ScannedWindow window(std::move(rows[1]));
    ASSERT_TRUE(window.ScanToEnd());
    EXPECT_TRUE(field(window)->text().isEmpty());
    EXPECT_TRUE(QNUIController::GetSearchString().empty());
    EXPECT_EQ(note(window), QString()) << "nothing found: no note of the earlier search";
}

}  // namespace
