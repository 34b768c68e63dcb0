// Recovery, search and saving through the results window over a FAT32 image made at test time
// (mkfs.fat, mmd, mcopy; one file deleted with mdel): a search narrows the list and only the
// checked hit is recovered; the scanned device is refused with two buttons; a destination that
// stops taking bytes shows the disk-full view, Esc does not stop, and continue goes on with the
// next files (the one whose write failed is counted failed, the others come out byte-exact); the
// scan saves into a results file, and one that cannot be written whole is
// alerted and removed; stop pauses, No resumes, Yes stops with the count (the image's reads held
// back meanwhile, so the copy is still running when its dialog is answered).
#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>
#include <map>

#include <optional>

#include "Grabs.h"
#include "ReadGate.h"
#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/recovery/QNScanEndSaveWindowController.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/recovery/RecoveryDialogChrome.h"
#include "app/results/QNProgressWindow.h"
#include "support/FullDisk.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"

namespace {

namespace fs = std::filesystem;
using app::recovery::QNShowScanProgressWindowController;
using app::results::QNDeletailWindowController;
using uimodel::QNUIController;

constexpr int kTimeoutMs = apptest::kScanTimeoutMs;

// Accepts the last recovery dialog (finished or stopped).
void CloseLast(const QSignalSpy& dialogs) {
    ASSERT_FALSE(dialogs.isEmpty());
    dialogs.last().at(0).value<QDialog*>()->accept();
}

class RecoveryFlow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"mkfs.fat", "mcopy", "mmd", "mdel"})
            if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        m_image = m_temp.File("fat32.img");
        const std::string src = m_temp.File("src");
        // 24 pictures of 4 MiB, one accented name, one of 300000 bytes, and one deleted file.
        ASSERT_EQ(
            testsupport::RunCommand(
                "set -e; export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8; mkdir -p '" + src + "'; cd '" + src +
                "'; mkfs.fat -F 32 -C '" + m_image + "' 131072 >/dev/null; i=" + m_image +
                "; mmd -i $i ::/DCIM ::/DCIM/100CAM ::/Docs; for n in $(seq 10 33); do head -c 4194304 /dev/urandom "
                "> IMG_00$n.JPG; mcopy -i $i IMG_00$n.JPG ::/DCIM/100CAM/; done; head -c 5000 /dev/urandom > 'été "
                "photo.jpg';"
                " mcopy -i $i 'été photo.jpg' ::/Docs/; head -c 300000 /dev/urandom > big.bin; mcopy -i $i big.bin "
                "::/Docs/;"
                " head -c 70000 /dev/urandom > gone.png; mcopy -i $i gone.png ::/Docs/; mdel -i $i ::/Docs/gone.png"),
            0);
        for (const auto& entry : fs::directory_iterator(src))
            m_originals[entry.path().filename().string()] = testsupport::Sha256OfFile(entry.path().string());
    }

    testsupport::TempDir m_temp;
    std::string m_image;
    std::map<std::string, std::string> m_originals;  // name -> SHA-256
};

TEST_F(RecoveryFlow, SearchRecoverRefuseFillUpStopAndSave) {
    const auto gate = std::make_shared<apptest::ReadGate>();
    apptest::ScannedWindow window(apptest::InstallImage(m_image, gate), {1030, 650});
    QSignalSpy dialogs(&window, &QNDeletailWindowController::recoveryDialogOpened);
    QSignalSpy recoveries(&window, &QNDeletailWindowController::recoveryEnded);
    ASSERT_TRUE(window.StartScan());
    if (QNUIController::IsScanRunning() && !QNUIController::IsPause()) {
        EXPECT_FALSE(apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField()->isEnabled())
            << "no search while the scan runs unpaused";
    }
    ASSERT_TRUE(window.WaitForScanEnd());
    ASSERT_TRUE(apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField()->isEnabled());

    // With nothing checked the greyed Recover says why when it is pressed.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy notes(&window, &QNDeletailWindowController::noteShown);
    auto* recover = apptest::Part<app::TCImageButton>(window, "recoverButton");
    ASSERT_NE(recover, nullptr);
    ASSERT_FALSE(recover->isButtonEnabled());
    QTest::mouseClick(recover, Qt::LeftButton);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.at(0).at(0).toString(), app::Text(QStringLiteral("PAGE_FOUR_RECOVERY_NOTHING_CHECKED")));
    EXPECT_EQ(dialogs.size(), 0);
    // A search that matches nothing says so, as plain text, instead of asking for a folder.
    apptest::Part<app::NewSearchTextFiled>(window, "searchField")
        ->textField()
        ->setText(QStringLiteral("<b>no such name</b>"));
    apptest::Search(window)->doSearch();
    const auto noteText = [&]() -> QString {
        QWidget* note = apptest::Pane(window)->tableView()->noValueView();
        QLabel* label = note ? note->findChild<QLabel*>() : nullptr;
        return label ? label->text() : QString();
    };
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return noteText() == app::Text(QStringLiteral("DYD_FOUR_NO_MATCH_NOTE")); }, 10000))
        << qPrintable(noteText());
    EXPECT_EQ(apptest::List(window)->rowCount(), 0);

    // A search in capitals finds the accented name; only that checked hit is recovered.
    apptest::Part<app::NewSearchTextFiled>(window, "searchField")
        ->textField()
        ->setText(QString::fromUtf8(" \xc3\x89T\xc3\x89 "));
    apptest::Search(window)->doSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return apptest::List(window)->rowCount() >= 1; }, 10000));
    ASSERT_EQ(apptest::List(window)->rowCount(), 1);
    EXPECT_STREQ(apptest::List(window)->fileAt(0)->GetFileName(), "\xc3\xa9t\xc3\xa9 photo.jpg");
    apptest::Pane(window)->toggleListCheck(0);
    const std::string onlyHit = m_temp.File("hit");
    fs::create_directory(onlyHit);
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(onlyHit));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 1; }, kTimeoutMs));
    EXPECT_EQ(testsupport::HashCountsBelow(onlyHit),
              (std::map<std::string, int>{{m_originals.at("\xc3\xa9t\xc3\xa9 photo.jpg"), 1}}));
    CloseLast(dialogs);
    // Esc in the field clears it and shows everything again.
    window.activateWindow();
    apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField()->setFocus();
    QTest::keyClick(apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField(), Qt::Key_Escape);
    EXPECT_TRUE(apptest::Part<app::NewSearchTextFiled>(window, "searchField")->textField()->text().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return QNUIController::GetSearchString().empty() && apptest::Pane(window)->treeModel(0)->rowCount() > 0;
        },
        kTimeoutMs));

    // Everything checked; the scanned device is refused with choose-again and cancel only.
    window.CheckEveryRow();
    std::uint64_t count = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    ASSERT_GE(count, m_originals.size());
    const std::string all = m_temp.File("all");
    fs::create_directory(all);
    auto probe = app::recovery::DestinationProbe::Real();
    probe.onScannedDevice = [](const QString&) { return true; };
    apptest::Recovery(window)->setDestinationProbe(probe);
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(all));
    ASSERT_EQ(window.sheets.size(), 1);
    QMessageBox* sameDevice = window.LastSheet();
    ASSERT_NE(sameDevice, nullptr);
    EXPECT_EQ(sameDevice->buttons().size(), 2);
    sameDevice->escapeButton()->click();
    EXPECT_FALSE(QNUIController::IsRecoveryRunning());
    EXPECT_TRUE(testsupport::HashCountsBelow(all).empty());
    apptest::Recovery(window)->setDestinationProbe(app::recovery::DestinationProbe::Real());

    // A destination that takes 100000 bytes per file: the disk-full view; Esc does not stop.
    bool full = false;
    {
        testsupport::FullDisk disk(100000);
        ASSERT_TRUE(disk.Active());
        apptest::Recovery(window)->recoverToFolder(QString::fromStdString(all));
        full = QTest::qWaitFor(
            [&] {
                return apptest::ShownProgress(window) &&
                       apptest::ShownProgress(window)->currentView() == QNShowScanProgressWindowController::kDiskFull;
            },
            kTimeoutMs);
    }
    ASSERT_TRUE(full);
    QNShowScanProgressWindowController* progress = apptest::ShownProgress(window);
    EXPECT_TRUE(QNUIController::IsRecoveryPaused());
    const QImage diskFull = progress->grab().toImage();
    EXPECT_FALSE(diskFull.isNull());
    diskFull.save(apptest::GrabFolder() + QStringLiteral("/recovery-disk-full.png"));
    QTest::keyClick(progress, Qt::Key_Escape);
    EXPECT_EQ(progress->currentView(), QNShowScanProgressWindowController::kDiskFull);
    EXPECT_TRUE(QNUIController::IsRecoveryPaused());
    // Room was made: Continue goes on with the next files; the one whose write failed is counted
    // failed and left out, and the end says so as the log does.
    progress->continueButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 2; }, kTimeoutMs));
    EXPECT_FALSE(recoveries.last().at(0).toBool());
    auto* finished =
        qobject_cast<app::recovery::QNScanEndSaveWindowController*>(dialogs.last().at(0).value<QDialog*>());
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(QNUIController::GetRecoveryFailedFiles(), 1u);
    const std::uint64_t got = QNUIController::GetRecoveridedFiles();
    EXPECT_EQ(finished->recoveryEndTitle()->text(), app::Text("PAGE_FOUR_RECOVER_FAILED_TITLE"));
    EXPECT_TRUE(finished->recoveryEndNode()->text().startsWith(
        app::Text("PAGE_FOUR_RECOVER_COUNTS_NODE").arg(got).arg(got + 1).arg(1).arg(0)))
        << finished->recoveryEndNode()->text().toStdString();
    const std::map<std::string, int> recovered = testsupport::HashCountsBelow(all);
    std::size_t missing = 0;
    for (const auto& [name, sha] : m_originals) {
        EXPECT_LE(recovered.count(sha), 1u) << name;
        missing += recovered.count(sha) == 0 ? 1 : 0;
    }
    EXPECT_EQ(missing, 1u) << "only the file whose write failed is left out";
    EXPECT_EQ(recovered.size(), m_originals.size() - 1) << "nothing but whole originals in the folder";
    // The dialog counts the failure with its reason and names the log in the folder, whose lines
    // say what standard error says: the file, why, and that nothing was written.
    EXPECT_TRUE(finished->recoveryEndNode()->text().contains(
        app::Text("PAGE_FOUR_RECOVER_REASON_ITEM").arg(1).arg(app::Text("FILE_STATE_DESTINATION_FULL"))))
        << finished->recoveryEndNode()->text().toStdString();
    const std::vector<std::string> logs = testsupport::RecoveryLogsIn(all);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(finished->logLink()->folder().toStdString(), logs.front());
    EXPECT_TRUE(finished->logLink()->isVisibleTo(finished));
    QFile log(QString::fromStdString(logs.front()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].contains(
        QRegularExpression(QStringLiteral("^Not recovered \\(0x[0-9a-f]+, destination full\\): /.+ -> not written$"))))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Recovery ended: %1 recovered, 0 written with notes, 1 failed").arg(got));
    CloseLast(dialogs);

    // Saving: a results file that cannot be written whole (a destination full after 1000 bytes)
    // is alerted, leaves no part of itself and the scan unsaved; then a real one.
    QPointer<QFileDialog> fileDialog;
    QObject::connect(&window, &QNDeletailWindowController::fileDialogOpened, &window,
                     [&](QFileDialog* d) { fileDialog = d; });
    QSignalSpy saved(&window, &QNDeletailWindowController::scanSaved);
    ASSERT_NE(apptest::Part<app::TCImageButton>(window, "exportButton"), nullptr);
    for (const std::string& target : {m_temp.File("full.rsf"), m_temp.File("scan.rsf")}) {
        const bool fill = target.find("full") != std::string::npos;
        apptest::Export(window)->exportButtonAction();
        ASSERT_NE(fileDialog, nullptr);
        QFileDialog* dialog = fileDialog;
        dialog->selectFile(QString::fromStdString(target));
        bool savedEnd = false;
        {
            std::optional<testsupport::FullDisk> disk;
            if (fill) {
                ASSERT_TRUE(disk.emplace(1000).Active());
            }
            const QWidgetList before = QApplication::topLevelWidgets();
            static_cast<QDialog*>(dialog)->accept();
            // The save's progress window, titled as the program's other dialogs (with a trailing blank).
            app::QNProgressWindow* progressWindow = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* shown = qobject_cast<app::QNProgressWindow*>(widget); shown && !before.contains(widget))
                    progressWindow = shown;
            ASSERT_TRUE(fill || progressWindow);
            if (progressWindow) {
                EXPECT_TRUE(apptest::ShowsBarTitle(*progressWindow,
                                                   app::Text(QStringLiteral("WINDOW_TOP_TITLE")) + QLatin1Char(' ')));
            }
            savedEnd = QTest::qWaitFor([&] { return !saved.isEmpty(); }, kTimeoutMs);
        }
        ASSERT_TRUE(savedEnd);
        const bool success = saved.takeFirst().at(0).toBool();
        EXPECT_EQ(success, !fill) << target;
        if (success) continue;
        EXPECT_FALSE(fs::exists(target)) << "no part of a failed results file is left";
        QWidget* alert = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (widget->objectName() == QLatin1String("readFailedAlert") && widget->isVisible()) alert = widget;
                return alert != nullptr;
            },
            kTimeoutMs));
        alert->close();
    }
    EXPECT_GT(fs::file_size(m_temp.File("scan.rsf")), 0u);

    // Stop pauses at once, No resumes, Esc asks, Yes stops and the count is exact. The image's
    // reads wait until then: the copy is inside a file when its dialog opens and is answered.
    const std::string stopped = m_temp.File("stopped");
    fs::create_directory(stopped);
    const qsizetype opened = dialogs.size();
    gate->Shut();
    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(stopped));
    const bool waiting = QTest::qWaitFor([&] { return dialogs.size() > opened && gate->HasWaitingRead(); }, kTimeoutMs);
    progress = apptest::ShownProgress(window);
    if (!waiting || !progress) gate->Open();
    ASSERT_TRUE(waiting);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(dialogs.last().at(0).value<QDialog*>(), progress);
    progress->stopButton()->click();
    EXPECT_TRUE(QNUIController::IsRecoveryPaused());
    EXPECT_EQ(progress->currentView(), QNShowScanProgressWindowController::kQuestion);
    progress->noButton()->click();
    EXPECT_FALSE(QNUIController::IsRecoveryPaused());
    QTest::keyClick(progress, Qt::Key_Escape);
    EXPECT_TRUE(QNUIController::IsRecoveryPaused());
    // Yes stops while the copy still waits inside its read: the window goes on meanwhile, and the
    // stopped dialog follows once the copy has wound down.
    progress->yesButton()->click();
    EXPECT_TRUE(gate->HasWaitingRead()) << "the window waited for the stopped copy on its own thread";
    QTest::qWait(750);  // the window's watch looks three times meanwhile
    EXPECT_EQ(recoveries.size(), 2);
    gate->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recoveries.size() == 3; }, kTimeoutMs));
    EXPECT_TRUE(recoveries.last().at(0).toBool());
    auto* stoppedDialog =
        qobject_cast<app::recovery::QNScanNotEndSaveWindowController*>(dialogs.last().at(0).value<QDialog*>());
    ASSERT_NE(stoppedDialog, nullptr);
    const std::uint64_t copied = QNUIController::GetRecoveridedFiles();
    EXPECT_LT(copied, count);
    EXPECT_TRUE(stoppedDialog->showRecoveryNoteLabel()->text().contains(QString::number(copied)))
        << stoppedDialog->showRecoveryNoteLabel()->text().toStdString() << " vs " << copied;
    std::size_t written = 0;
    for (const auto& [sha, n] : testsupport::HashCountsBelow(stopped)) {
        written += static_cast<std::size_t>(n);
        EXPECT_TRUE(std::any_of(m_originals.begin(), m_originals.end(), [&](const auto& known) {
            return known.second == sha;
        })) << "a file of the stopped recovery is not byte-exact";
    }
    EXPECT_EQ(written, copied) << "no part of a stopped file is left";
    CloseLast(dialogs);
}

}  // namespace
