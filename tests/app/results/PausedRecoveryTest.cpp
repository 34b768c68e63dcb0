// Recovery from a paused deep scan, as a person does it from the results window
// (support/PausedDeepScan.h: three JPEGs found by the deep scan of a sparse disk, paused far from
// its end): every found file is checked, the recover button lets them go, and each comes out
// byte-exact (SHA-256) while the scan stays paused. The scan's own controls stay within
// reach beside the recover button all along: the scan is resumed, then stopped, by their clicks.
#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "Grabs.h"
#include "PausedDeepScan.h"
#include "WindowParts.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/ResultTreeModel.h"
#include "app/recovery/QNScanEndSaveWindowController.h"
#include "support/FullDisk.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"

namespace {

namespace fs = std::filesystem;

// Whether a click at the centre of `part` reaches it: shown, not cut off by its box, not covered.
bool Reachable(const QWidget& window, QWidget* part) {
    return part && part->isVisibleTo(&window) && window.childAt(part->mapTo(&window, part->rect().center())) == part;
}
using app::results::QNDeletailWindowController;
using apptest::kScanTimeoutMs;
using uimodel::QNUIController;

using apptest::PausedDeepScan;
constexpr int kPictures = PausedDeepScan::kPictures;

TEST_F(PausedDeepScan, FilesFoundSoFarComeOutByteExactWhileTheDeepScanIsPaused) {
    apptest::ScannedWindow& window = *shown;
    QSignalSpy recoveries(&window, &QNDeletailWindowController::recoveryEnded);
    QSignalSpy dialogs(&window, &QNDeletailWindowController::recoveryDialogOpened);
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    ASSERT_EQ(apptest::Phase(window), app::results::ScanPhase::Paused);

    // Every file found so far, checked from the path tree; the recover button takes them.
    auto* recover = apptest::Part<app::TCImageButton>(window, "recoverButton");
    ASSERT_NE(recover, nullptr);
    EXPECT_FALSE(recover->isButtonEnabled()) << "nothing checked yet";
    ASSERT_GT(apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->rowCount(), 0);
    window.CheckEveryRow();
    std::uint64_t checked = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(checked, size);
    EXPECT_GE(checked, std::uint64_t(kPictures));
    EXPECT_TRUE(recover->isButtonEnabled()) << "a paused scan lets its checked files be recovered";
    auto* play = apptest::Part<app::TCImageButton>(window, "playButton");
    auto* stop = apptest::Part<app::TCImageButton>(window, "stopButton");
    // The box makes room for the recover button; its controls move with it, never under it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reachable(window, recover) && Reachable(window, play); }, 5000))
        << "resume lost beside the recover button";
    EXPECT_TRUE(Reachable(window, stop)) << "stop lost beside the recover button";
    EXPECT_TRUE(stop->isButtonEnabled());

    const std::string dest = temp.File("recovered");
    ASSERT_TRUE(fs::create_directories(dest));
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(dest));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 1 || !window.sheets.isEmpty(); }, kScanTimeoutMs));
    ASSERT_TRUE(window.sheets.isEmpty()) << "refused: " << window.LastSheet()->text().toStdString();
    EXPECT_FALSE(recoveries.last().at(0).toBool()) << "the recovery ran to its end";
    const std::map<std::string, int> recovered = testsupport::HashCountsBelow(dest);
    for (const auto& [sha, count] : planted)
        EXPECT_EQ(recovered.count(sha), 1u) << "a planted picture came out changed or twice";
    EXPECT_EQ(recovered.size(), planted.size()) << "nothing but the pictures was found so far";
    ASSERT_FALSE(dialogs.isEmpty());
    dialogs.last().at(0).value<QDialog*>()->accept();
    EXPECT_TRUE(QNUIController::IsPause()) << "the scan stayed paused meanwhile";

    // Unchecked again, the scan's controls still answer: resume, then stop with Yes.
    auto* paths = apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab);
    window.CheckEveryRow();  // all checked, whatever the recovery left; then each row unchecked
    for (int row = 0; row < paths->rowCount(); ++row)
        apptest::Pane(window)->clickButtonAction(paths->itemAt(paths->index(row, 0)));
    QNUIController::GetSelectedFilesAmout(checked, size);
    EXPECT_EQ(checked, 0u);
    ASSERT_TRUE(Reachable(window, play) && Reachable(window, stop));
    play->click();
    EXPECT_FALSE(QNUIController::IsPause()) << "resumed after the recovery";
    EXPECT_TRUE(QNUIController::IsScanRunning());
    auto* pause = apptest::Part<app::TCImageButton>(window, "pauseButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reachable(window, pause); }, 5000));
    stop->click();
    ASSERT_EQ(window.sheets.size(), 1);
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_TRUE(window.ended.last().at(0).toBool()) << "stopped before its end";
    EXPECT_EQ(apptest::Phase(window), app::results::ScanPhase::Ended);
}

// Recovered from while paused, then stopped: the stop clears the checks and hides the recover
// button, and a recovery asked for then copies nothing and says why instead of "complete".
TEST_F(PausedDeepScan, AStopAfterAPausedRecoveryClearsTheChecksAndHidesRecover) {
    apptest::ScannedWindow& window = *shown;
    QSignalSpy recoveries(&window, &QNDeletailWindowController::recoveryEnded);
    QSignalSpy dialogs(&window, &QNDeletailWindowController::recoveryDialogOpened);
    QSignalSpy notes(&window, &QNDeletailWindowController::noteShown);
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    window.CheckEveryRow();
    const std::string first = temp.File("first");
    ASSERT_TRUE(fs::create_directories(first));
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 1; }, kScanTimeoutMs));
    auto* finished =
        qobject_cast<app::recovery::QNScanEndSaveWindowController*>(dialogs.last().at(0).value<QDialog*>());
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(finished->recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_END_TITLE"));
    finished->accept();

    Button("stopButton")->click();
    ASSERT_EQ(window.sheets.size(), 1);
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    std::uint64_t checked = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(checked, size);
    EXPECT_EQ(checked, 0u) << "the stop cleared the checks";
    EXPECT_FALSE(Button("recoverButton")->isVisibleTo(&window)) << "the stop hid the recover button";
    const std::string second = temp.File("second");
    ASSERT_TRUE(fs::create_directories(second));
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(second));
    EXPECT_FALSE(QNUIController::IsRecoveryRunning());
    EXPECT_EQ(recoveries.size(), 1) << "nothing checked: no recovery, no complete";
    ASSERT_FALSE(notes.isEmpty());
    EXPECT_EQ(notes.last().at(0).toString(), app::Text("PAGE_FOUR_RECOVERY_NOTHING_CHECKED"));
    EXPECT_TRUE(fs::is_empty(second));
    // A check brings the recover button back.
    window.CheckEveryRow();
    EXPECT_TRUE(Button("recoverButton")->isVisibleTo(&window));
    EXPECT_TRUE(Button("recoverButton")->isButtonEnabled());
}

// A destination that fills while the deep scan is paused (no file may grow past the smallest
// picture): Cancel on the disk-full notice stops the copy, and the stopped dialog says after how
// many files, with the log's counts, the failed file among them; what it recovered lies whole in
// the folder, and the scan's own controls still answer.
TEST_F(PausedDeepScan, ACancelOnADestinationFilledDuringThePauseGivesTheLogsCounts) {
    apptest::ScannedWindow& window = *shown;
    QSignalSpy recoveries(&window, &QNDeletailWindowController::recoveryEnded);
    QSignalSpy dialogs(&window, &QNDeletailWindowController::recoveryDialogOpened);
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    std::vector<std::uintmax_t> sizes;
    for (int i = 0; i < kPictures; ++i) sizes.push_back(fs::file_size(temp.File("photo" + std::to_string(i) + ".jpg")));
    const auto [smallest, largest] = std::minmax_element(sizes.begin(), sizes.end());
    ASSERT_LT(*smallest, *largest) << "the pictures must differ in size";
    window.CheckEveryRow();
    std::uint64_t given = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(given, size);
    const std::string dest = temp.File("small");
    ASSERT_TRUE(fs::create_directories(dest));
    bool full = false;
    {
        testsupport::FullDisk disk(*smallest);
        ASSERT_TRUE(disk.Active());
        apptest::Recovery(window)->recoverToFolder(QString::fromStdString(dest));
        full = QTest::qWaitFor(
            [&] {
                return apptest::ShownProgress(window) &&
                       apptest::ShownProgress(window)->currentView() ==
                           app::recovery::QNShowScanProgressWindowController::kDiskFull;
            },
            kScanTimeoutMs);
    }
    ASSERT_TRUE(full);
    apptest::ShownProgress(window)->cancelButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 1; }, kScanTimeoutMs));
    EXPECT_TRUE(recoveries.last().at(0).toBool()) << "stopped";
    auto* stopped =
        qobject_cast<app::recovery::QNScanNotEndSaveWindowController*>(dialogs.last().at(0).value<QDialog*>());
    ASSERT_NE(stopped, nullptr);
    const std::uint64_t recovered = QNUIController::GetRecoveridedFiles();
    const std::uint64_t failed = QNUIController::GetRecoveryFailedFiles();
    const std::uint64_t noted = QNUIController::GetRecoveryNotedFiles();
    EXPECT_EQ(failed, 1u) << "the file that did not fit";
    EXPECT_EQ(
        stopped->showRecoveryNoteLabel()->text(),
        app::Text("PAGE_FOUR_RECOVER_NOTEND_NODE") + QLatin1Char(' ') +
            app::Text("PAGE_FOUR_RECOVER_COUNTS_NODE").arg(recovered).arg(given).arg(failed).arg(noted) +
            QLatin1Char(' ') +
            app::Text("PAGE_FOUR_RECOVER_REASONS_NODE")
                .arg(app::Text("PAGE_FOUR_RECOVER_REASON_ITEM").arg(1).arg(app::Text("FILE_STATE_DESTINATION_FULL"))) +
            QLatin1Char(' ') + app::Text("PAGE_FOUR_RECOVER_FOLDER_NODE"));
    std::uint64_t whole = 0;
    for (const auto& [sha, count] : testsupport::HashCountsBelow(dest)) {
        EXPECT_EQ(planted.count(sha), 1u) << "a file in the folder is no whole picture";
        whole += static_cast<std::uint64_t>(count);
    }
    EXPECT_EQ(whole, recovered);
    stopped->grab().save(apptest::GrabFolder() + QStringLiteral("/recovery-stopped-counts.png"));
    stopped->accept();
    EXPECT_TRUE(QNUIController::IsPause()) << "the scan stayed paused meanwhile";
    Button("playButton")->click();
    EXPECT_FALSE(QNUIController::IsPause());
    Button("stopButton")->click();
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_TRUE(Button("homeButton")->isButtonEnabled());
}

// The export button goes while the deep scan runs and comes back at its end; a save asked for
// meanwhile says that a scan is running.
TEST_F(PausedDeepScan, ExportWaitsForTheDeepScansEnd) {
    apptest::ScannedWindow& window = *shown;
    ASSERT_NE(Button("exportButton"), nullptr);
    EXPECT_TRUE(Button("exportButton")->isVisibleTo(&window)) << "after the quick scan";
    QSignalSpy fileDialogs(&window, &QNDeletailWindowController::fileDialogOpened);
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    EXPECT_FALSE(Button("exportButton")->isVisibleTo(&window));
    apptest::Export(window)->exportButtonAction();
    EXPECT_TRUE(fileDialogs.isEmpty());
    ASSERT_EQ(window.sheets.size(), 1);
    EXPECT_EQ(window.LastSheet()->text(), app::Text("SAVE_SCAN_RUNNING_TITLE"));
    window.AnswerLastSheet(true);
    Button("stopButton")->click();
    ASSERT_EQ(window.sheets.size(), 2);
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_TRUE(Button("exportButton")->isVisibleTo(&window)) << "back at the deep scan's end";
}

// Stop, Home and close of a paused deep scan, with nothing checked, with checks, after a recovery
// and over a search that matched nothing: each asks, and Yes winds the scan down with no recovery
// running; stop and Home clear the checks; the window stays with its recover button hidden (stop),
// or goes (home, close). What a stop does to the search: ScanStateTest.cpp.
enum class Command { kStop, kHome, kClose };
enum class Before { kNothing, kChecks, kRecovery, kSearch };

class PausedDeepScanCommands : public PausedDeepScan,
                               public ::testing::WithParamInterface<std::tuple<Command, Before>> {};

TEST_P(PausedDeepScanCommands, AskThenWindDownWithTheChecksCleared) {
    const auto [command, before] = GetParam();
    apptest::ScannedWindow& window = *shown;
    QSignalSpy recoveries(&window, &QNDeletailWindowController::recoveryEnded);
    QSignalSpy dialogs(&window, &QNDeletailWindowController::recoveryDialogOpened);
    QSignalSpy home(&window, &QNDeletailWindowController::backHomeRequested);
    ASSERT_NO_FATAL_FAILURE(PauseWithPicturesFound());
    if (before == Before::kSearch) {
        QSignalSpy searches(&window, &QNDeletailWindowController::searchShown);
        apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField()->setText(QStringLiteral("nothing"));
        apptest::Search(window)->doSearch();
        ASSERT_TRUE(searches.wait(kScanTimeoutMs));
    }
    if (before == Before::kChecks || before == Before::kRecovery) window.CheckEveryRow();
    if (before == Before::kRecovery) {
        const std::string dest = temp.File("dest");
        ASSERT_TRUE(fs::create_directories(dest));
        apptest::Recovery(window)->recoverToFolder(QString::fromStdString(dest));
        ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 1; }, kScanTimeoutMs));
        dialogs.last().at(0).value<QDialog*>()->accept();
        // The bar's controls take clicks in the active window, as a click on it makes it again.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    if (command == Command::kStop) Button("stopButton")->click();
    if (command == Command::kHome) Button("homeButton")->click();
    if (command == Command::kClose) window.close();
    ASSERT_EQ(window.sheets.size(), 1);
    window.AnswerLastSheet(true);
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_FALSE(QNUIController::IsRecoveryRunning());
    std::uint64_t checked = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(checked, size);
    if (command != Command::kClose) {
        EXPECT_EQ(checked, 0u);
    }
    if (command == Command::kStop) {
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(Button("recoverButton")->isVisibleTo(&window));
        EXPECT_TRUE(Button("homeButton")->isButtonEnabled()) << "no dead control";
    } else {
        EXPECT_FALSE(window.isVisible());
        if (command == Command::kHome) {
            EXPECT_TRUE(home.wait(5000));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryState, PausedDeepScanCommands,
                         ::testing::Combine(::testing::Values(Command::kStop, Command::kHome, Command::kClose),
                                            ::testing::Values(Before::kNothing, Before::kChecks, Before::kRecovery,
                                                              Before::kSearch)));

}  // namespace
