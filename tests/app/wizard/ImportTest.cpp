// Loading a results file from the start page, under the progress window: a whole file opens the
// results window with the scan's counts; a cut one gives the alert and the wizard stays.
#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

#include "SavedScan.h"
#include "app/base/NotificationCenter.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/QNProgressWindow.h"
#include "app/wizard/QNRootWindowController.h"
#include "engine/IFileNode.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"

namespace {

using uimodel::QNUIController;
constexpr int kTimeoutMs = 120000;

QMessageBox* Alert(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name && widget->isVisible()) return qobject_cast<QMessageBox*>(widget);
    return nullptr;
}

TEST(Import, AWholeFileOpensTheResultsWindowACutOneAlertsAndTheWizardStays) {
    for (const char* tool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir dir;
    const std::string saved = dir.File("scan.rsf");
    std::uint64_t files = 0;
    ASSERT_NO_FATAL_FAILURE(apptest::ScanAndSaveCard(dir, dir.File("bare.img"), "", saved, files));
    const std::string cut = dir.File("cut.rsf");
    std::filesystem::copy_file(saved, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(saved) / 2);

    app::QNRootWindowController root;
    root.show();
    root.importFile(QString::fromStdString(cut));
    ASSERT_NE(root.progressWindow(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Alert("readFailedAlert") != nullptr; }, kTimeoutMs));
    Alert("readFailedAlert")->close();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return root.progressWindow() == nullptr && root.resultsWindow() == nullptr; }, 5000));
    EXPECT_TRUE(root.isVisible());  // the wizard stays
    EXPECT_EQ(root.whichPage(), 2);
    QNUIController::StopJobs(std::chrono::seconds(30));

    app::results::QNDeletailWindowController* opened = nullptr;
    QObject::connect(&root, &app::QNRootWindowController::resultsWindowOpened, &root,
                     [&](app::results::QNDeletailWindowController* window) { opened = window; });
    root.importFile(QString::fromStdString(saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened != nullptr && opened->isVisible(); }, kTimeoutMs));
    EXPECT_EQ(Alert("readFailedAlert"), nullptr);
    EXPECT_FALSE(root.isVisible());
    QTest::qWait(300);
    EXPECT_EQ(QNUIController::GetModel().pScan->GetScanFileCnt(), files);
    apptest::ExpectListedAndClose(opened, files);
}

// A disk of two FAT volumes (two files, and three) scanned quickly and saved; the second volume's
// boot sector gone since: the load opens the results window with the first volume's files and
// names the second's root.
TEST(Import, AVolumeTheLoadCannotPlaceIsNamed) {
    for (const char* tool : {"sfdisk", "mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir dir;
    const std::string image = dir.File("two.img");
    ASSERT_EQ(testsupport::RunCommand(
                  "set -e; export MTOOLS_SKIP_CHECK=1; truncate -s 24M '" + image +
                  "'; printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\n' | sfdisk -q '" + image +
                  "'; for s in 2048 22528; do mkfs.fat -F 16 -n V$s --offset $s '" + image +
                  "' 10240; for n in 1 2 ${s#2048}; do echo photo $n | mcopy -i '" + image +
                  "@@'$((s * 512)) - ::/P$n.TXT; done; done >/dev/null 2>&1"),
              0);
    const std::string saved = dir.File("scan.rsf");
    std::uint64_t files = 0;
    ASSERT_NO_FATAL_FAILURE(apptest::ScanAndSave(image, saved, files));
    std::vector<std::string> roots;
    for (IFileNode* pRoot : QNUIController::GetModel().pScan->GetFileSystemNode())
        roots.emplace_back(pRoot->GetFileName());
    ASSERT_EQ(roots.size(), 2u);
    ASSERT_EQ(files, 5u);
    ASSERT_EQ(testsupport::RunCommand("dd if=/dev/zero of='" + image +
                                      "' bs=512 seek=22528 count=1 conv=notrunc status=none"),
              0);

    app::QNRootWindowController root;
    app::results::QNDeletailWindowController* opened = nullptr;
    QObject::connect(&root, &app::QNRootWindowController::resultsWindowOpened, &root,
                     [&](app::results::QNDeletailWindowController* window) { opened = window; });
    root.importFile(QString::fromStdString(saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Alert("rootsLeftOutAlert") != nullptr; }, kTimeoutMs));
    // Both roots bear the same name: the alert names one, not both.
    EXPECT_EQ(Alert("rootsLeftOutAlert")->text().count(QString::fromStdString(roots[1])), 1);
    EXPECT_EQ(Alert("readFailedAlert"), nullptr);
    Alert("rootsLeftOutAlert")->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened != nullptr && opened->isVisible(); }, kTimeoutMs));
    EXPECT_EQ(QNUIController::GetModel().pScan->GetFileSystemNode().size(), 1u);
    apptest::ExpectListedAndClose(opened, 2);  // the first volume's two files
}

TEST(Import, TheProgressBarOnlyMovesForward) {
    EXPECT_EQ(app::ProgressPercent(0, 0), 0);
    EXPECT_EQ(app::ProgressPercent(0, 1), 100);  // a total of 0 counts as 1
    EXPECT_EQ(app::ProgressPercent(200, 50), 25);
    EXPECT_EQ(app::ProgressPercent(200, 900), 100);
}

}  // namespace
