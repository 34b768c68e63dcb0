// The test hook's scan, as the gallery and the program run it: one disk image as the only
// device, its disk row scanned with every file type, the model's names arriving on the GUI
// thread, and the result line a script reads.
#include <gtest/gtest.h>
#include <QObject>
#include <QTest>

#include <fstream>
#include <string>

#include "FatTestImages.h"
#include "app/base/NotificationCenter.h"
#include "app/hook/ScanHook.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"

namespace {

using uimodel::QNUIController;

constexpr int kScanTimeoutMs = 120000;

std::size_t LiveFiles(const std::string& manifest) {
    std::ifstream in(manifest);
    std::size_t files = 0;
    for (std::string line; std::getline(in, line);) files += line.starts_with("F\t");
    return files;
}

TEST(HookScan, ScansTheImagesDiskToTheEndAndReportsWhatTheFoundLabelShows) {
    FAT_IMAGES_OR_SKIP();
    EXPECT_FALSE(app::StartHookScan("NormalScranValue")) << "no hook model: the machine's disks are never scanned";
    ASSERT_TRUE(app::InstallHookModel(QString::fromStdString(fattest::Image("fat32.img"))));

    QObject window;
    int posts = 0;
    bool postedAfterEnd = false;
    app::NotificationCenter::instance().addObserver(&window, "NormalScranValue", [&](const QVariantMap&) {
        ++posts;
        postedAfterEnd = !QNUIController::IsScanRunning();
    });
    ASSERT_TRUE(app::StartHookScan("NormalScranValue"));
    EXPECT_FALSE(app::StartHookScan("NormalScranValue")) << "one scan at a time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QNUIController::IsScanRunning() && postedAfterEnd; }, kScanTimeoutMs));
    EXPECT_GT(posts, 0);

    const QString found = app::HookFoundCount();
    EXPECT_EQ(found.toULongLong(), QNUIController::GetModel().pScan->GetScanFileCnt());
    EXPECT_GE(found.toULongLong(), LiveFiles(fattest::Image("fat32.manifest")))
        << "every live file, and the deleted ones";
    const QString state = app::HookScanState(false);
    EXPECT_EQ(state, "finished");
    EXPECT_EQ(app::HookResultLine(state, found), "RESULT state=finished found=" + found);
    EXPECT_EQ(app::HookExitCode(state), 0);
    EXPECT_EQ(app::HookScanState(true), "stopped");
    EXPECT_EQ(app::HookExitCode("stopped"), 1);
    EXPECT_EQ(app::HookExitCode("failed"), 1);
    EXPECT_EQ(app::HookExitCode("noted"), 3) << "files written with notes: neither clean nor failed";
}

TEST(HookScan, AnImageThatCannotBeListedInstallsNothing) {
    EXPECT_FALSE(app::InstallHookModel("/nonexistent/disk.img"));
}

}  // namespace
