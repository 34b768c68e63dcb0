// The results window's scan state through a deep scan paused with three pictures found
// (support/PausedDeepScan.h): started from any view it shows the list; a pause and a resume stop
// both preview loaders and clear the search, so that a search made while paused never outlives
// the resume and the same search runs again; a stop of the paused scan moves the state twice
// (stopping, ended), each drawn once, and the commands pressed in quick succession, with a search
// shown and files checked, leave no dead control and no note of the search.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTest>

#include "PausedDeepScan.h"
#include "WindowParts.h"
#include "app/base/Strings.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/ResultTreeModel.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"

namespace {

using app::results::QNDeletailWindowController;
using app::results::ScanPhase;
using app::results::ScanState;
using app::thumbview::PreviewPanes;
using apptest::PausedDeepScan;
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

class DeepScanFromView : public PausedDeepScan, public ::testing::WithParamInterface<int> {};

TEST_P(DeepScanFromView, ShowsTheListWithTheSwitchShutUntilAPause) {
    apptest::ScannedWindow& window = *shown;
    PreviewPanes* previews = apptest::Pane(window)->previews();
    const int view = GetParam();
    previews->segmentButton(view)->click();
    ASSERT_EQ(previews->segment(), view);
    const auto showsTheList = [&] {
        EXPECT_EQ(previews->segment(), PreviewPanes::kList);
        EXPECT_TRUE(previews->segmentButton(PreviewPanes::kList)->isChecked());
        EXPECT_TRUE(apptest::Part<app::CustomTableView>(window, "fileList")->isVisible());
        EXPECT_FALSE(previews->gridView()->isVisible());
        EXPECT_FALSE(previews->coverFlowView()->isVisible());
    };
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound([&] {
        showsTheList();
        for (int segment = PreviewPanes::kList; segment <= PreviewPanes::kGrid; ++segment)
            EXPECT_FALSE(previews->segmentButton(segment)->isEnabled()) << "a deep scan rebuilds the rows";
        EXPECT_FALSE(apptest::Part<QWidget>(window, "selectionLabel")->isVisibleTo(&window));
        EXPECT_FALSE(Button("deepScanButton")->isVisibleTo(&window));
        EXPECT_FALSE(Button("exportButton")->isVisibleTo(&window));
        EXPECT_FALSE(Field(window)->isEnabled());
    }));
    showsTheList();
    EXPECT_TRUE(previews->segmentButton(view)->isEnabled()) << "paused, the views switch";
    Button("stopButton")->click();
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_TRUE(previews->segmentButton(view)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(EveryView, DeepScanFromView,
                         ::testing::Values(PreviewPanes::kList, PreviewPanes::kCoverFlow, PreviewPanes::kGrid));

// Paused, a search that matches nothing says so; the resume stops both loaders, empties the field
// and makes the model forget the search, and the trees show every file again. At the next pause
// the same text searches again; Return on it runs it again; a stop takes the search along, so the
// finished scan shows no note of it.
TEST_F(PausedDeepScan, ASearchMadeWhilePausedGoesAtTheResumeAndTheSameSearchRunsAgain) {
    apptest::ScannedWindow& window = *shown;
    QSignalSpy searches(&window, &QNDeletailWindowController::searchShown);
    PreviewPanes* previews = apptest::Pane(window)->previews();
    const auto generations = [&] {
        return std::make_pair(previews->gridLoader().generation(), previews->flowLoader().generation());
    };
    const auto loadersStopped = [&](std::pair<quint64, quint64> before) {
        const auto now = generations();
        return now.first > before.first && now.second > before.second;
    };
    auto before = generations();
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    EXPECT_TRUE(loadersStopped(before)) << "the pause stops both loaders";
    previews->segmentButton(PreviewPanes::kGrid)->click();
    const QString noMatch = app::Text("DYD_FOUR_NO_MATCH_NOTE");
    const QString nothing = QStringLiteral("no such name");
    const auto search = [&](const QString& text) {
        const qsizetype seen = searches.size();
        Field(window)->clear();
        QTest::keyClicks(Field(window), text);  // typed: the clear button shows
        QTest::keyClick(Field(window), Qt::Key_Return);
        return QTest::qWaitFor([&] { return searches.size() > seen; }, apptest::kScanTimeoutMs);
    };
    ASSERT_TRUE(search(nothing));
    EXPECT_EQ(QNUIController::GetSearchString(), nothing.toStdString());
    EXPECT_EQ(ListNote(window), noMatch);

    before = generations();
    Button("playButton")->click();
    ASSERT_FALSE(QNUIController::IsPause());
    EXPECT_TRUE(loadersStopped(before)) << "the resume stops both loaders";
    EXPECT_TRUE(Field(window)->text().isEmpty());
    EXPECT_FALSE(apptest::Part<app::NewSearchTextFiled>(window, "searchField")->clearButton()->isVisibleTo(&window))
        << "an empty field offers nothing to clear";
    EXPECT_TRUE(QNUIController::GetSearchString().empty()) << "the search outlived the resume";
    EXPECT_NE(ListNote(window), noMatch);
    EXPECT_GT(apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->rowCount(), 0);
    EXPECT_NE(apptest::ChosenFolder(window), nullptr) << "the list follows a folder again";
    EXPECT_EQ(previews->segment(), PreviewPanes::kList);

    before = generations();
    Button("pauseButton")->click();
    ASSERT_TRUE(QNUIController::IsPause());
    EXPECT_TRUE(loadersStopped(before));
    ASSERT_TRUE(search(nothing)) << "the same search runs again";
    EXPECT_EQ(ListNote(window), noMatch);
    QTest::keyClick(Field(window), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return searches.size() == 3; }, apptest::kScanTimeoutMs))
        << "Return on the same text runs it again";

    Button("stopButton")->click();
    window.AnswerLastSheet(true);
    EXPECT_TRUE(Field(window)->text().isEmpty());
    EXPECT_TRUE(QNUIController::GetSearchString().empty()) << "the tree built after a stop holds no hidden file";
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_NE(ListNote(window), noMatch);
    EXPECT_TRUE(Field(window)->isEnabled());
    ASSERT_TRUE(search(nothing)) << "searched again once the scan has ended";
    EXPECT_EQ(ListNote(window), noMatch);
}

// One stop of the paused deep scan: the state moves to stopping, then to ended, and the bar
// follows each move once: nothing takes a click while the scan winds down; at the end home,
// export and the search do, and Deep Scan is not offered again.
TEST_F(PausedDeepScan, AStopMovesTheStateTwiceAndTheBarFollowsEachMove) {
    apptest::ScannedWindow& window = *shown;
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    window.CheckEveryRow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Button("recoverButton")->isVisible(); }, 5000));
    QSignalSpy moves(apptest::Follower(window), &app::results::ScanFollower::stateChanged);
    Button("stopButton")->click();
    window.AnswerLastSheet(true);
    ASSERT_EQ(moves.size(), 1);
    EXPECT_EQ(moves.at(0).at(0).value<ScanState>().phase, ScanPhase::Stopping);
    for (const char* name : {"homeButton", "pauseButton", "playButton", "stopButton"})
        EXPECT_FALSE(Button(name)->isButtonEnabled()) << name;
    EXPECT_FALSE(Button("recoverButton")->isVisibleTo(&window)) << "the stop cleared the checks";
    EXPECT_FALSE(Field(window)->isEnabled());
    ASSERT_TRUE(window.WaitForScanEnd());
    ASSERT_EQ(moves.size(), 2);
    EXPECT_EQ(moves.at(1).at(0).value<ScanState>().phase, ScanPhase::Ended);
    EXPECT_EQ(moves.at(1).at(0).value<ScanState>().kind, app::results::ScanKind::Deep);
    EXPECT_TRUE(Button("homeButton")->isButtonEnabled());
    EXPECT_TRUE(Button("exportButton")->isVisibleTo(&window));
    EXPECT_FALSE(Button("deepScanButton")->isVisibleTo(&window));
    EXPECT_FALSE(Button("recoverButton")->isVisibleTo(&window));
    EXPECT_TRUE(Field(window)->isEnabled());
    EXPECT_TRUE(apptest::Part<QWidget>(window, "selectionLabel")->isVisibleTo(&window));
}

// Pause, resume, stop and Home pressed in quick succession over a search and checks, in the grid:
// every press answers as the state says, sheets answered No change nothing, and Stop with Yes
// ends in the finished state with the search gone and every control usable.
TEST_F(PausedDeepScan, CommandsInQuickSuccessionLeaveNoDeadControlAndNoNoteOfTheSearch) {
    apptest::ScannedWindow& window = *shown;
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    apptest::Pane(window)->previews()->segmentButton(PreviewPanes::kGrid)->click();
    Field(window)->setText(QStringLiteral("no such name"));
    QTest::keyClick(Field(window), Qt::Key_Return);
    window.CheckEveryRow();
    for (int press = 0; press < 5; ++press) {
        (press % 2 == 0 ? Button("playButton") : Button("pauseButton"))->click();
        EXPECT_EQ(QNUIController::IsPause(), press % 2 == 1);
        EXPECT_EQ(apptest::Phase(window), press % 2 == 0 ? ScanPhase::Running : ScanPhase::Paused);
    }
    EXPECT_TRUE(QNUIController::GetSearchString().empty());
    const qsizetype asked = window.sheets.size();
    Button("stopButton")->click();
    window.AnswerLastSheet(false);
    Button("homeButton")->click();
    window.AnswerLastSheet(false);
    EXPECT_EQ(window.sheets.size(), asked + 2);
    EXPECT_EQ(apptest::Phase(window), ScanPhase::Running);
    EXPECT_FALSE(QNUIController::IsPause()) << "No resumed a scan the user had not paused";
    Button("pauseButton")->click();
    Field(window)->setText(QStringLiteral("no such name"));
    QTest::keyClick(Field(window), Qt::Key_Return);
    Button("stopButton")->click();
    window.AnswerLastSheet(true);
    // Pressed while it winds down: nothing.
    Button("homeButton")->click();
    Button("stopButton")->click();
    Button("playButton")->click();
    EXPECT_EQ(window.sheets.size(), asked + 3);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_EQ(apptest::Phase(window), ScanPhase::Ended);
    EXPECT_TRUE(Field(window)->text().isEmpty());
    EXPECT_NE(ListNote(window), app::Text("DYD_FOUR_NO_MATCH_NOTE"));
    EXPECT_TRUE(Button("homeButton")->isButtonEnabled());
    EXPECT_TRUE(apptest::Pane(window)->previews()->segmentButton(PreviewPanes::kGrid)->isEnabled());
}

}  // namespace
