// Scans of real tool-made images through the UI model: the files it files by category and
// month match what the tools wrote, and the operation ends idle.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <thread>

#include "FatTestImages.h"
#include "ModelScan.h"
#include "support/Manifest.h"
#include "support/TempDir.h"
#include "uimodel/devices/DeviceListNotify.h"
#include "uimodel/support/FileTime.h"
#include "uimodel/support/Seams.h"

namespace {

using modeltest::ModelScan;

/// A tool-made image with its oracles: NAME.img, NAME.manifest (live files), NAME.deleted.
struct ImageCase {
    char const* pszName;
    std::string (*folder)();  // empty when the image's fixture did not run
};

using modeltest::ExFatFolder;
using modeltest::Expected;
using modeltest::FatFolder;

class ImageScan : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageScan, WholeDiskQuickScanFilesLiveAndDeletedFilesByCategoryAndMonth) {
    std::string const folder = GetParam().folder();
    if (folder.empty())
        GTEST_SKIP() << "the " << GetParam().pszName << " image was not built (tools, root or FUSE missing)";
    std::string const stem = folder + "/" + GetParam().pszName;
    ModelScan model({stem + ".img"});
    ASSERT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_READY);
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    RESULT const result = model.Run(pDisk);
    EXPECT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_IDLE);

    std::set<std::string> const filed = modeltest::FiledFiles(model.scan);
    std::set<std::string> const expected = Expected(stem);
    ASSERT_FALSE(expected.empty());
    for (auto const& path : expected) EXPECT_TRUE(filed.count(path)) << path;

    auto const types = model.scan.GetTypeMap();
    std::size_t const u64Typed = std::accumulate(types.begin(), types.end(), std::size_t{0},
                                                 [](std::size_t n, auto const& e) { return n + e.second.size(); });
    EXPECT_EQ(model.scan.GetScanFileCnt(), u64Typed);
    EXPECT_EQ(model.scan.GetFileSystemNode().size(), 1u);

    // The tools stamp each file with the time they wrote it: the image file's month, or the
    // month before when the image was finished just after a month began.
    auto const written = std::filesystem::last_write_time(stem + ".img");
    auto const seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(written).time_since_epoch())
            .count();
    std::size_t u64Recent = 0;
    auto const modified = model.scan.GetModifyTimeMap();
    for (long long s64Back : {0LL, 3600LL * 24 * 2}) {
        auto const month = uimodel::LocalYearMonth(static_cast<long long>(seconds) - s64Back);
        ASSERT_TRUE(month);
        if (modified.count(month->iYear) && modified.at(month->iYear).count(month->iMonth))
            u64Recent = std::max(u64Recent, modified.at(month->iYear).at(month->iMonth).size());
    }
    EXPECT_GE(u64Recent * 2, expected.size());
}

INSTANTIATE_TEST_SUITE_P(Images, ImageScan,
                         testing::Values(ImageCase{"fat32", FatFolder}, ImageCase{"exfat_4k", ExFatFolder}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

}  // namespace

namespace {

/// A partitioned image built with sfdisk, mkfs.fat and mtools; empty when a tool is missing.
struct PartitionedImage {
    testsupport::TempDir dir;
    std::string path = dir.File("disk.img");
};

bool Build(PartitionedImage const& image, std::string const& script) {
    return testsupport::RunCommand("set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; IMG='" + image.path + "'; " + script +
                                   " >/dev/null 2>&1") == 0;
}

#define TOOLS_OR_SKIP()                                                                          \
    do {                                                                                         \
        for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy"})                              \
            if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed"; \
    } while (0)

// Three FAT16 volumes of 10 MiB, each with one file named after it.
constexpr char kThreeVolumes[] =
    "truncate -s 40M \"$IMG\"; printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\n"
    "start=43008,size=20480,type=6\\n' | sfdisk -q \"$IMG\"; "
    "for s in 2048 22528 43008; do mkfs.fat -F 16 -n PHOTOS$s --offset $s \"$IMG\" 10240; "
    "echo v$s > \"$IMG.txt\"; mcopy -i \"$IMG@@$((s * 512))\" \"$IMG.txt\" ::/VOL$s.TXT; done";

TEST(ModelScan, WholeDiskQuickScanCoversEveryVolumeAndStaysRunningBetweenThem) {
    TOOLS_OR_SKIP();
    PartitionedImage image;
    ASSERT_TRUE(Build(image, kThreeVolumes));
    ModelScan model({image.path});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    EXPECT_TRUE(Succeeded(model.Run(pDisk)));
    EXPECT_EQ(model.scan.statusAtRoot,
              (std::vector<int>{uimodel::OPERATION_RUNNING, uimodel::OPERATION_RUNNING, uimodel::OPERATION_RUNNING}));
    EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_IDLE);
    // A volume without a system name is offered under its label.
    std::vector<uimodel::_DiskVolumeData> rows;
    model.devices.GetAllDeviceInfo(rows);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].children.size(), 3u);
    EXPECT_EQ(rows[0].children[1].name, "PHOTOS22528");
    EXPECT_EQ(rows[0].children[1].iVolumeIndex, 1);
    EXPECT_EQ(rows[0].iIsDiskImage, 1);
    // Every volume's nodes still read after the later volumes ran on the same controller.
    EXPECT_EQ(modeltest::FiledFiles(model.scan),
              (std::set<std::string>{"/VOL2048.TXT", "/VOL22528.TXT", "/VOL43008.TXT"}));
}

TEST(ModelScan, DiskOfOnlyUnsupportedVolumesEndsIdleUnscanned) {
    TOOLS_OR_SKIP();
    PartitionedImage image;
    // A sparse image: GPT partitions under 4 GiB are not listed at all.
    ASSERT_TRUE(Build(image,
                      "truncate -s 5G \"$IMG\"; printf 'label: gpt\\nstart=2048,size=8388616,"
                      "type=C12A7328-F81F-11D2-BA4B-00A0C93EC93B\\n' | sfdisk -q \"$IMG\""));
    ModelScan model({image.path});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    std::vector<uimodel::_DiskVolumeData> rows;
    model.devices.GetAllDeviceInfo(rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].children.empty());  // the EFI system partition is not offered
    EXPECT_EQ(model.Run(pDisk), 0x0104003100000001ULL);
    EXPECT_TRUE(model.scan.statusAtRoot.empty());
    EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_IDLE);
}

TEST(ModelScan, IndexPairsAndAnUnrecognisedVolume) {
    TOOLS_OR_SKIP();
    PartitionedImage image;
    ASSERT_TRUE(
        Build(image, "truncate -s 20M \"$IMG\"; printf 'start=2048,size=20480,type=83\\n' | sfdisk -q \"$IMG\""));
    ModelScan model({image.path});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    IStorageDevice* pVolume = model.devices.GetStorageByDiskVolumeIndex(0, 0);
    ASSERT_NE(pDisk, nullptr);
    ASSERT_NE(pVolume, nullptr);
    EXPECT_EQ(model.devices.GetStorageByDiskVolumeIndex(-1, 0), nullptr);
    EXPECT_EQ(model.devices.GetStorageByDiskVolumeIndex(0, 1), nullptr);
    int iDisk = 0, iVolume = 0;
    EXPECT_TRUE(model.devices.GetDiskVolumeIndexByStorage(pVolume, iDisk, iVolume));
    EXPECT_EQ(std::make_pair(iDisk, iVolume), std::make_pair(0, 0));
    // Nothing recognises an empty partition: only a deep scan of the volume can help.
    model.scan.SaveScanSorage(pVolume);
    model.scan.SetDeepScan(0);
    EXPECT_EQ(model.scan.GetScanControllerType(pVolume), RECOVERY_CONTROLLER_COMPLETE_VOLUME);
}

TEST(ModelScan, ASecondScanEmptiesTheCollectionsBeforeLettingGoOfTheFirstScansNodes) {
    FAT_IMAGES_OR_SKIP();
    ModelScan model({fattest::Image("fat32.img")});
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_TRUE(Succeeded(model.Run(pDisk)));
    ASSERT_GT(model.scan.GetScanFileCnt(), 0u);
    ASSERT_TRUE(Succeeded(model.Run(pDisk)));
    // The main thread copies the collections at any time: they must not hold a node being freed.
    EXPECT_EQ(model.scan.filedAtRelease, (std::vector<std::size_t>{0, 0}));
    EXPECT_GT(model.scan.GetScanFileCnt(), 0u);
}

TEST(ModelScan, FileCountAndSizeReadFromAnotherThreadWhileTheScanFilesNodes) {
    FAT_IMAGES_OR_SKIP();
    ModelScan model({fattest::Image("fat32.img")});
    // The status line reads the totals without the operation's lock while the job thread files
    // nodes; the reader synchronises with the scan only through `bDone`, so ThreadSanitizer
    // reports the totals unless they are atomics.
    std::atomic<bool> bDone{false};
    bool bGrowing = true;
    std::uint64_t u64LastFiles = 0, u64LastBytes = 0;
    std::thread reader([&] {
        do {
            std::uint64_t const u64Files = model.scan.GetScanFileCnt();
            std::uint64_t const u64Bytes = model.scan.GetScanFileSize();
            // A first scan's totals start at zero and only grow.
            bGrowing = bGrowing && u64Files >= u64LastFiles && u64Bytes >= u64LastBytes;
            u64LastFiles = u64Files;
            u64LastBytes = u64Bytes;
        } while (!bDone.load());
    });
    RESULT const result = model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1));
    bDone = true;
    reader.join();
    EXPECT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_TRUE(bGrowing);
    EXPECT_GT(model.scan.GetScanFileCnt(), 0u);
    EXPECT_LE(u64LastFiles, model.scan.GetScanFileCnt());
}

TEST(ModelScan, PausedScanStopsIdle) {
    FAT_IMAGES_OR_SKIP();
    ModelScan model({fattest::Image("fat32.img")});
    model.scan.bPauseAtFirstRoot = true;
    RESULT const result = model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1), false, [&] {
        model.scan.WaitForStatus([](int iStatus) { return iStatus == uimodel::OPERATION_PAUSED; });
        model.scan.StopOperation(0);
    });
    EXPECT_TRUE(Succeeded(result)) << std::hex << result;  // a stop is no failure
    EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_IDLE);
    EXPECT_EQ(model.scan.shouldBuild(), 1);
}

TEST(ModelScan, SearchHidesAndShowsAgainAndARefreshReleasesTheScan) {
    FAT_IMAGES_OR_SKIP();
    ModelScan model({fattest::Image("fat32.img")});
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    auto const shown = [&] {
        std::size_t n = 0;
        for (auto const& [eType, nodes] : model.scan.GetTypeMap())
            n += static_cast<std::size_t>(
                std::count_if(nodes.begin(), nodes.end(), [](IFileNode* p) { return p->IsNodeShow(); }));
        return n;
    };
    std::size_t const u64All = shown();
    model.scan.SetSearchKey("PLAIN.TXT");
    model.scan.DoSearch();
    EXPECT_EQ(shown(), 1u);
    model.scan.SetSearchKey(nullptr);  // keeps the key
    EXPECT_EQ(model.scan.GetSearchKey(), std::optional<std::string>("PLAIN.TXT"));
    model.scan.SetSearchKey("");
    model.scan.DoSearch();
    EXPECT_EQ(shown(), u64All);

    // A refresh lets go of the scan's nodes before the devices they were read from.
    model.scan.SetStatus(uimodel::OPERATION_RUNNING);
    EXPECT_FALSE(uimodel::RefreshDeviceInfo(model.scan, model.devices));
    model.scan.SetStatus(uimodel::OPERATION_IDLE);
    ASSERT_TRUE(uimodel::RefreshDeviceInfo(model.scan, model.devices));
    EXPECT_TRUE(model.scan.GetTypeMap().empty());
    EXPECT_EQ(model.scan.filedAtRelease.back(), 0u);  // emptied before the nodes' owners went
    EXPECT_EQ(model.scan.GetRecoveryController(), nullptr);
    EXPECT_EQ(model.scan.GetSavedStorage(), nullptr);
    EXPECT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_READY);
    EXPECT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    EXPECT_EQ(model.scan.GetScanFileCnt(), u64All);
}

TEST(ModelDevices, FailedEnumerationIsAStateThatNotifiesAndIsRetried) {
    ModelScan model({"/nonexistent/image.img"});
    EXPECT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_FAILED);
    uimodel::CQueuedPoster poster;
    auto worker = uimodel::NotifyDeviceInfoAfterInit(model.devices, poster, "aInitFinished");
    ASSERT_TRUE(worker);  // failed before: enumerates again
    worker->join();
    EXPECT_EQ(poster.Take(), std::optional<std::string>("aInitFinished"));
    EXPECT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_FAILED);
    std::vector<uimodel::_DiskVolumeData> rows;
    model.devices.GetAllDeviceInfo(rows);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(model.Run(nullptr), 0x0104003100000001ULL);
    model.devices.InitDeviceInfo();
    EXPECT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_FAILED);
}

}  // namespace
