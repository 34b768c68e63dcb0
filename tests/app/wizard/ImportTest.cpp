// Loading a results file from the start page, under the progress window: a whole file opens the
// results window with the scan's counts; a cut one gives the alert and the wizard stays.
#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <filesystem>

#include "SavedScan.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/QNProgressWindow.h"
#include "app/wizard/QNRootWindowController.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"

namespace {

using uimodel::QNUIController;
constexpr int kTimeoutMs = 120000;

QMessageBox* ReadFailedAlert() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "readFailedAlert" && widget->isVisible()) return qobject_cast<QMessageBox*>(widget);
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFailedAlert() != nullptr; }, kTimeoutMs));
    ReadFailedAlert()->close();
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
    EXPECT_EQ(ReadFailedAlert(), nullptr);
    EXPECT_FALSE(root.isVisible());
    QTest::qWait(300);
    EXPECT_EQ(QNUIController::GetModel().pScan->GetScanFileCnt(), files);
    apptest::ExpectListedAndClose(opened, files);
}

TEST(Import, TheProgressBarOnlyMovesForward) {
    EXPECT_EQ(app::ProgressPercent(0, 0), 0);
    EXPECT_EQ(app::ProgressPercent(0, 1), 100);  // a total of 0 counts as 1
    EXPECT_EQ(app::ProgressPercent(200, 50), 25);
    EXPECT_EQ(app::ProgressPercent(200, 900), 100);
}

}  // namespace
