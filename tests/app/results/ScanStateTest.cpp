// The results window's scan state, walked through a deep scan paused with three pictures found
// (support/PausedDeepScan.h), started from each view: one row a command, with the state it moves
// to (each move drawn once), what the bar and the list then offer, whether the search made while
// paused is still held and whether the preview loaders were stopped. A search never outlives a
// resume or a stop, and the same search runs again; while the scan winds down nothing is offered.
#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <cstring>
#include <functional>
#include <string>

#include "PausedDeepScan.h"
#include "WindowParts.h"
#include "app/base/Strings.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/ResultViews.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/PublicUtilities.h"

namespace {

using app::results::QNDeletailWindowController;
using app::results::ScanKind;
using app::results::ScanPhase;
using app::results::ScanState;
using app::thumbview::PreviewPanes;
using uimodel::QNUIController;

QLineEdit* Field(const QWidget& window) {
    return apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField();
}

// The note the list shows over its empty rows; empty when none shows.
QString ListNote(const QWidget& window) {
    QWidget* note = apptest::Part<app::CustomTableView>(window, "fileList")->noValueView();
    QLabel* label = note ? note->findChild<QLabel*>() : nullptr;
    return label ? label->text() : QString();
}

// What the window offers, by name: the bar's buttons that show and take clicks, the recover
// button and the selection label when shown, the search field and the views' switch when enabled.
std::string Offers(const QWidget& window) {
    std::string offers;
    const auto add = [&](bool offered, const char* name) {
        if (offered) offers += (offers.empty() ? "" : " ") + std::string(name);
    };
    for (const char* name : {"home", "deepScan", "pause", "play", "stop", "export"}) {
        const auto* button = apptest::Part<app::TCImageButton>(window, (std::string(name) + "Button").c_str());
        add(button && button->isVisibleTo(&window) && button->isButtonEnabled(), name);
    }
    add(apptest::Part<QWidget>(window, "recoverButton")->isVisibleTo(&window), "recover");
    add(apptest::Part<QWidget>(window, "selectionLabel")->isVisibleTo(&window), "selection");
    add(Field(window)->isEnabled(), "search");
    PreviewPanes* previews = apptest::Pane(window)->previews();
    int switches = 0;
    for (int segment = PreviewPanes::kList; segment <= PreviewPanes::kGrid; ++segment)
        switches += previews->segmentButton(segment)->isEnabled() ? 1 : 0;
    add(switches > 0, switches == 3 ? "views" : "some views");
    return offers;
}

// A row of the walk: a command and what the window shows once it was given. `searches` and
// `sheets` count what was shown since the pause: searches and their clearing, sheets.
struct Step {
    const char* command;
    std::function<void()> press;
    ScanPhase phase;
    const char* offers;
    int searches, sheets;
    bool searchHeld = false;      // the field, the model and the list's note keep the search
    bool loadersStopped = false;  // both preview loaders moved to a new generation
    const char* keys = "";        // the bar button that holds the keyboard ("" none)
};

// The bar's button that holds the keyboard, by name ("pause" for "pauseButton"); empty for none.
std::string KeysOn(const QWidget& window) {
    const auto* button = qobject_cast<const app::TCImageButton*>(QApplication::focusWidget());
    if (!button || !window.isAncestorOf(button)) return {};
    return button->objectName().chopped(int(std::strlen("Button"))).toStdString();
}

class ScanStateWalk : public apptest::PausedDeepScan, public ::testing::WithParamInterface<int> {};

TEST_P(ScanStateWalk, EachCommandMovesTheStateOnceAndTheWindowOffersWhatItAllows) {
    apptest::ScannedWindow& window = *shown;
    PreviewPanes* previews = apptest::Pane(window)->previews();
    previews->segmentButton(GetParam())->click();
    ASSERT_EQ(previews->segment(), GetParam());
    const auto showsTheList = [&] {
        EXPECT_EQ(previews->segment(), PreviewPanes::kList);
        EXPECT_TRUE(previews->segmentButton(PreviewPanes::kList)->isChecked());
        EXPECT_TRUE(apptest::Part<app::CustomTableView>(window, "fileList")->isVisible());
        EXPECT_FALSE(previews->gridView()->isVisible());
        EXPECT_FALSE(previews->coverFlowView()->isVisible());
    };
    const auto generations = [&] {
        return std::pair(previews->gridLoader().generation(), previews->flowLoader().generation());
    };
    const auto loadersStopped = [&](std::pair<quint64, quint64> before) {
        EXPECT_GT(previews->gridLoader().generation(), before.first);
        EXPECT_GT(previews->flowLoader().generation(), before.second);
    };
    const auto beforePause = generations();
    // Deep Scan pressed: the rows are rebuilt in the list, nothing is offered until the scan runs.
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound([&] {
        EXPECT_EQ(apptest::Phase(window), ScanPhase::Idle);
        EXPECT_EQ(Offers(window), "");
        showsTheList();
    }));
    showsTheList();
    loadersStopped(beforePause);
    const char* const paused = "home play stop search views";
    const char* const checked = "home play stop recover selection search views";
    const char* const ended = "home export selection search views";
    EXPECT_EQ(Offers(window), paused);

    QSignalSpy searches(&window, &QNDeletailWindowController::searchShown);
    QSignalSpy moves(apptest::Follower(window), &app::results::ScanFollower::stateChanged);
    const QString nothing = QStringLiteral("no such name");
    const auto search = [&] {
        Field(window)->setFocus(Qt::MouseFocusReason);
        Field(window)->clear();
        QTest::keyClicks(Field(window), nothing);  // typed: the clear button shows
        QTest::keyClick(Field(window), Qt::Key_Return);
    };
    const auto click = [&](const char* name) { return [this, name] { Button(name)->click(); }; };
    // Keys typed wherever the keyboard is: while the search is closed, they press nothing.
    const auto typeAway = [&] {
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClicks(focused, QStringLiteral("beach"));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Return);
    };
    // Return on a bar button (chosen by Tab when named): its click comes as a button's animated
    // click does, once the state moved.
    const auto returnOn = [&](const char* name) {
        return [this, &window, name] {
            QWidget* target = name ? Button(name) : QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            if (name) target->setFocus(Qt::TabFocusReason);
            const ScanPhase before = apptest::Phase(window);
            QTest::keyClick(target, Qt::Key_Return);
            EXPECT_TRUE(QTest::qWaitFor([&] { return apptest::Phase(window) != before; }, 5000));
        };
    };
    const Step walk[] = {
        {"search in the grid", [&] { previews->segmentButton(PreviewPanes::kGrid)->click(), search(); },
         ScanPhase::Paused, paused, 1, 0, true},
        {"resume", click("playButton"), ScanPhase::Running, "home pause stop", 2, 0, false, true},
        {"typed while the search is closed", typeAway, ScanPhase::Running, "home pause stop", 2, 0},
        {"pause", click("pauseButton"), ScanPhase::Paused, paused, 2, 0, false, true},
        {"resume by keys", returnOn("playButton"), ScanPhase::Running, "home pause stop", 2, 0, false, true, "pause"},
        {"Return on the pause the keys chose", returnOn(nullptr), ScanPhase::Paused, paused, 2, 0, false, true, "play"},
        {"check every row", [&] { window.CheckEveryRow(); }, ScanPhase::Paused, checked, 2, 0, false, false, "play"},
        {"the same search", search, ScanPhase::Paused, checked, 3, 0, true},
        {"Return on it", [&] { QTest::keyClick(Field(window), Qt::Key_Return); }, ScanPhase::Paused, checked, 4, 0,
         true},
        {"stop, Yes", [&] { Button("stopButton")->click(), window.AnswerLastSheet(true); }, ScanPhase::Stopping,
         "selection", 5, 1},
        {"home, stop, resume", [&] { click("homeButton")(), click("stopButton")(), click("playButton")(); },
         ScanPhase::Stopping, "selection", 5, 1},
        {"wound down", [&] { EXPECT_TRUE(window.WaitForScanEnd()); }, ScanPhase::Ended, ended, 5, 1},
        {"a search once ended", search, ScanPhase::Ended, ended, 6, 1, true},
    };
    ScanPhase phase = ScanPhase::Paused;
    for (const Step& step : walk) {
        SCOPED_TRACE(step.command);
        const qsizetype moved = moves.size();
        const auto before = generations();
        step.press();
        EXPECT_TRUE(QTest::qWaitFor([&] { return searches.size() >= step.searches; }, apptest::kScanTimeoutMs));
        EXPECT_EQ(searches.size(), step.searches);
        EXPECT_EQ(window.sheets.size(), step.sheets);
        EXPECT_EQ(moves.size(), moved + (step.phase != phase ? 1 : 0)) << "each move drawn once";
        phase = step.phase;
        EXPECT_EQ(apptest::Follower(window)->state(), (ScanState{phase, ScanKind::Deep}));
        if (phase == ScanPhase::Running || phase == ScanPhase::Paused) {
            EXPECT_EQ(QNUIController::IsPause(), phase == ScanPhase::Paused);
        }
        EXPECT_EQ(Offers(window), step.offers);
        EXPECT_EQ(KeysOn(window), step.keys);
        // Only a scan at work turns the spinner; one that winds down says so beside the checks
        // as they are now (the stop cleared them).
        auto* spinner = window.findChild<app::results::SpinnerView*>();
        EXPECT_EQ(spinner->isVisibleTo(&window) && spinner->isTurning(),
                  phase == ScanPhase::Running || phase == ScanPhase::Stopping);
        const QLabel* remaining = apptest::Part<QLabel>(window, "remainingLabel");
        EXPECT_EQ(remaining->isVisibleTo(&window) && remaining->text() == app::Text("PAGE_FOUR_SCAN_STOPPING"),
                  phase == ScanPhase::Stopping);
        if (phase == ScanPhase::Stopping) {
            std::uint64_t count = 1, size = 1;
            QNUIController::GetSelectedFilesAmout(count, size);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(apptest::Part<QLabel>(window, "selectionLabel")->text(),
                      app::Text("PAGE_FOUR_SELECT_FILES")
                          .arg(QString::fromStdString(uimodel::longlongConvertVolSpace(0)))
                          .arg(0));
        }
        EXPECT_EQ(Field(window)->text().isEmpty(), !step.searchHeld);
        EXPECT_EQ(QNUIController::GetSearchString(), step.searchHeld ? nothing.toStdString() : "");
        EXPECT_EQ(ListNote(window) == app::Text("DYD_FOUR_NO_MATCH_NOTE"), step.searchHeld);
        if (step.loadersStopped) loadersStopped(before);
        if (phase == ScanPhase::Running) {
            showsTheList();
            EXPECT_FALSE(
                apptest::Part<app::NewSearchTextFiled>(window, "searchField")->clearButton()->isVisibleTo(&window))
                << "an empty field offers nothing to clear";
            EXPECT_GT(apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->rowCount(), 0);
            EXPECT_NE(apptest::ChosenFolder(window), nullptr) << "the list follows a folder again";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FromEveryView, ScanStateWalk,
                         ::testing::Values(PreviewPanes::kList, PreviewPanes::kCoverFlow, PreviewPanes::kGrid));

}  // namespace
