// Scans of real tool-made images through the UI model: the files it files by category and
// month match what the tools wrote, and the operation ends idle.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "FatTestImages.h"
#include "ModelScan.h"
#include "support/Manifest.h"
#include "uimodel/support/FileTime.h"

namespace {

using modeltest::ModelScan;

std::set<std::string> Expected(std::string const& name) {
    std::set<std::string> files;
    for (auto const& [path, e] : fattest::ReadFiles(fattest::Image(name + ".manifest"))) files.insert(path);
    for (auto const& [path, e] : fattest::ReadFiles(fattest::Image(name + ".deleted"))) files.insert(path + " (deleted)");
    return files;
}

TEST(ModelScan, WholeDiskQuickScanFilesLiveAndDeletedFilesByCategoryAndMonth) {
    FAT_IMAGES_OR_SKIP();
    ModelScan model({fattest::Image("fat32.img")});
    ASSERT_EQ(model.devices.GetInitState(), uimodel::DEVICE_INIT_READY);
    IStorageDevice* pDisk = model.devices.GetStorageByDiskVolumeIndex(0, -1);
    ASSERT_NE(pDisk, nullptr);
    RESULT const result = model.Run(pDisk);
    EXPECT_TRUE(Succeeded(result)) << std::hex << result;
    EXPECT_EQ(model.scan.GetStatus(), uimodel::OPERATION_IDLE);

    std::set<std::string> const filed = modeltest::FiledFiles(model.scan);
    for (auto const& path : Expected("fat32")) EXPECT_TRUE(filed.count(path)) << path;

    auto const types = model.scan.GetTypeMap();
    std::size_t const u64Typed = std::accumulate(types.begin(), types.end(), std::size_t{0},
                                                 [](std::size_t n, auto const& e) { return n + e.second.size(); });
    EXPECT_EQ(model.scan.GetScanFileCnt(), u64Typed);
    EXPECT_EQ(model.scan.GetFileSystemNode().size(), 1u);

    // mtools stamps each file with the time it wrote it: the image file's month.
    auto const written = std::filesystem::last_write_time(fattest::Image("fat32.img"));
    auto const seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch()).count();
    auto const month = uimodel::LocalYearMonth(static_cast<long long>(seconds));
    ASSERT_TRUE(month);
    auto const modified = model.scan.GetModifyTimeMap();
    ASSERT_TRUE(modified.count(month->iYear) && modified.at(month->iYear).count(month->iMonth));
    EXPECT_GE(modified.at(month->iYear).at(month->iMonth).size(), Expected("fat32").size());
}

}  // namespace
