#include "SavedScan.h"
#include "WindowParts.h"

#include <gtest/gtest.h>
#include <QObject>
#include <QTest>

#include "app/base/NotificationCenter.h"
#include "app/hook/ScanHook.h"
#include "app/results/QNDeletailWindowController.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace apptest {

using uimodel::QNUIController;

namespace {
constexpr int kTimeoutMs = 120000;
}

void ScanAndSaveCard(const testsupport::TempDir& dir, const std::string& image, const std::string& mkfsOptions,
                     const std::string& saved, std::uint64_t& files, bool volume) {
    const std::string scratch = dir.File("p.txt");
    ASSERT_EQ(testsupport::RunCommand("set -e; export MTOOLS_SKIP_CHECK=1; mkfs.fat -F 32 " + mkfsOptions + " -C '" +
                                      image + "' 40960 >/dev/null; for n in 1 2 3; do echo photo $n > '" + scratch +
                                      "'; mcopy -i '" + image + "' '" + scratch + "' ::/P$n.TXT; done"),
              0);
    ScanAndSave(image, saved, files, volume);
}

void ScanAndSave(const std::string& image, const std::string& saved, std::uint64_t& files, bool volume) {
    ASSERT_TRUE(app::InstallHookModel(QString::fromStdString(image)));
    QObject observer;
    bool ended = false;
    app::NotificationCenter::instance().addObserver(&observer, "QueryProgressFinish",
                                                    [&](const QVariantMap&) { ended = true; });
    app::NotificationCenter::instance().addObserver(&observer, "scanned", [&](const QVariantMap&) {});
    if (volume) {
        std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
        QNUIController::GetDeviceInfoToArray(rows);
        ASSERT_FALSE(rows.empty() || rows.front()->children().empty());
        ASSERT_TRUE(QNUIController::DoScanWithData(rows.front()->children().front().get(), "scanned"));
    } else {
        ASSERT_TRUE(app::StartHookScan("scanned"));
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return !QNUIController::IsScanRunning(); }, kTimeoutMs));
    files = QNUIController::GetModel().pScan->GetScanFileCnt();
    ASSERT_GE(files, 3u);
    ASSERT_EQ(QNUIController::beginSaveOrRestoreNode(true, saved), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kTimeoutMs));
    QNUIController::StopJobs(std::chrono::seconds(30));
}

void ExpectListedAndClose(app::results::QNDeletailWindowController* window, std::uint64_t files) {
    std::uint64_t listed = 0, deleted = 0;
    apptest::Pane(*window)->countListedFiles(listed, deleted);
    EXPECT_EQ(listed, files);
    QNUIController::StopJobs(std::chrono::seconds(30));
    app::NotificationCenter::instance().removeObserver(window);
    delete window;
}

}  // namespace apptest
