// ui_recovery: recovery through the results window against the model's own. About 1 GiB of files
// (64 of 16 MiB) go onto a FAT32 image, or an image is given (--image: the 20,000 small files of
// make_fat_bench_image.sh measure the cost per file); the window (offscreen) scans it, every file
// is checked and recovered through the window's recovery road, then the model copies the same
// files directly, as recovery_copy and scanbench's model-scan --recover do. Both read the
// page-cached image. A 10-ms heartbeat on the GUI thread measures its longest stall during the
// window's copy, and start_ms the time its recover call (the destination checks and the start)
// held that thread. Targets: the window's rate at 90 % of the model's or better (80 % for many
// small files), the longest stall and start_ms under 50 ms.
//
//   ui_recovery [WORK_FOLDER] [MiB of files, default 1024]
//   ui_recovery [WORK_FOLDER] --image IMAGE
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ModelBenchImage.h"
#include "app/hook/ScanHook.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/FilePane.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultsRecovery.h"
#include "app/shell/ModelSeams.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::results::QNDeletailWindowController;
using uimodel::QNUIController;
using Clock = std::chrono::steady_clock;
constexpr unsigned kFileMiB = 16;
constexpr int kWaitMs = 600000;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::filesystem::path work = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "ui_recovery";
    const bool givenImage = argc > 3 && std::string(argv[2]) == "--image";
    const unsigned mib = argc > 2 && !givenImage ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1024;
    if (mib < kFileMiB) {
        std::fprintf(stderr, "usage: ui_recovery [WORK_FOLDER] [MiB of files, at least %u | --image IMAGE]\n",
                     kFileMiB);
        return 2;
    }
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "files");
    std::string image = givenImage ? std::string(argv[3]) : (work / "disk.img").string();
    if (!givenImage) {
        for (unsigned i = 0; i < mib / kFileMiB; ++i) {
            const std::string file = (work / "files" / ("file" + std::to_string(i) + ".bin")).string();
            if (std::system(("head -c " + std::to_string(kFileMiB) + "M /dev/urandom > '" + file + "'").c_str()) != 0)
                return 1;
        }
        if (!modelbench::BuildFat32FromFolder((work / "files").string(), image, mib + mib / 8 + 64)) return 1;
    }
    if (std::system(("cat '" + image + "' > /dev/null").c_str()) != 0) return 1;

    app::InstallModelSeams(nullptr);
    if (!app::InstallHookModel(QString::fromStdString(image))) return 1;
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
    QNUIController::GetDeviceInfoToArray(rows);
    if (rows.empty()) return 1;
    QNUIController::SetRecoveryType(63);
    QNDeletailWindowController window;
    window.show();
    bool ended = false;
    QObject::connect(&window, &QNDeletailWindowController::scanEnded, [&] { ended = true; });
    window.setSelectDiskVolumeData(std::move(rows.front()));
    window.getData();
    if (!QTest::qWaitFor([&] { return ended; }, kWaitMs)) return 1;
    app::results::ResultTreeModel* paths = window.filePane()->treeModel(QNDeletailWindowController::kPathTab);
    for (int row = 0; row < paths->rowCount(); ++row)
        window.filePane()->clickButtonAction(static_cast<uimodel::OpNodeData*>(paths->index(row, 0).internalPointer()));

    // The window's road, with the heartbeat.
    qint64 longestStallMs = 0;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        if (beat.isValid()) longestStallMs = std::max(longestStallMs, beat.elapsed() - 10);
        beat.restart();
    });
    bool recovered = false;
    QObject::connect(&window, &QNDeletailWindowController::recoveryEnded, [&] { recovered = true; });
    const std::string viaWindow = (work / "window").string();
    std::filesystem::create_directories(viaWindow);
    const auto windowStart = Clock::now();
    heartbeat.start();
    window.recovery()->recoverToFolder(QString::fromStdString(viaWindow));
    // The checks and the start hold the GUI thread before the first heartbeat can tell.
    const double startMs = Since(windowStart) * 1000.0;
    if (!QTest::qWaitFor([&] { return recovered; }, kWaitMs)) return 1;
    heartbeat.stop();
    std::system("sync");
    const double windowSeconds = Since(windowStart);
    const std::uint64_t windowBytes = QNUIController::GetRecoveridedSize();
    const std::uint64_t windowFailed = QNUIController::GetRecoveryFailedFiles();

    // The model alone, on the same checked files.
    uimodel::QNUIRecovery& recovery = *QNUIController::GetModel().pRecovery;
    const std::string direct = (work / "direct").string();
    std::filesystem::create_directories(direct);
    const auto directStart = Clock::now();
    RESULT result = ~RESULT{0};
    recovery.SetRecoveryPath((direct + "/").c_str());
    recovery.ClearCreateDirIndex();
    recovery.SetStatus(uimodel::OPERATION_RUNNING);
    {
        std::string rawFolders;
        uimodel::CJobThread job;
        job.Start([&] { result = recovery.DoRecovery(rawFolders); });
        job.Join();
    }
    std::system("sync");
    const double directSeconds = Since(directStart);
    const double windowRate = static_cast<double>(windowBytes) / (1 << 20) / windowSeconds;
    const double directRate = static_cast<double>(recovery.GetRecoveriedFileSize()) / (1 << 20) / directSeconds;
    std::printf(
        "RESULT bench=ui_recovery files=%llu mib=%.1f failed=%llu window_mb_per_s=%.1f model_mb_per_s=%.1f ratio=%.2f "
        "window_seconds=%.3f model_seconds=%.3f longest_gui_stall_ms=%lld start_ms=%.1f\n",
        static_cast<unsigned long long>(QNUIController::GetRecoveridedFiles()),
        static_cast<double>(windowBytes) / (1 << 20), static_cast<unsigned long long>(windowFailed), windowRate,
        directRate, windowRate / directRate, windowSeconds, directSeconds, static_cast<long long>(longestStallMs),
        startMs);
    std::fflush(stdout);
    std::filesystem::remove_all(work);
    QNUIController::StopJobs(std::chrono::seconds(30));
    return Succeeded(result) && windowFailed == 0 ? 0 : 1;
}
