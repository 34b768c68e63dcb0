// Which clusters of a FAT volume hold no folder entries of its own: a live file's, by its chain;
// a file's guessed to follow its first cluster (tables lost) only where it starts with a volume's
// boot sector, an image, made here by mkfs.fat; another volume's sectors.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/DataRunList.h"
#include "engine/EngineEntryPoints.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/fat/FATForeignClusters.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace {

constexpr std::uint64_t kDataStart = 8;  // cluster 2's sector; one sector per cluster

FATVolumeGeometry Geometry() {
    FATVolumeGeometry geometry;
    geometry.eType = FILE_SYSTEM_FAT32;
    geometry.u64FirstDataSector = kDataStart;
    geometry.u64TotalSectors = 128;
    geometry.u32Clusters = 120;
    return geometry;
}

/// Notes a live file of `s64Count` clusters from `u32First`.
void AddFile(CFATForeignClusters& foreign, std::uint32_t u32First, long long s64Count, bool bChainKnown) {
    CDataRunList runs;
    DataRun const run{static_cast<long long>(u32First) - 2, s64Count};
    runs.AddDataRun(&run);
    foreign.AddLiveFile(runs, bChainKnown);
}

TEST(FatForeignClustersTest, LiveFilesByTheirChainImagesByTheirBootSectorAndOtherVolumes) {
    if (!testsupport::HaveTool("mkfs.fat")) GTEST_SKIP() << "mkfs.fat is not installed";
    RegisterEngineSubsystems();
    testsupport::TempDir const dir;
    std::string const floppy = dir.File("floppy.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 1440K " + floppy + " && mkfs.fat -F 12 " + floppy + " >/dev/null"),
              0);
    std::vector<std::uint8_t> const floppyBytes = testsupport::ReadFileBytes(floppy);
    ASSERT_GE(floppyBytes.size(), 512u);

    // Cluster 40 starts an image; cluster 30 a file of other bytes.
    std::vector<std::uint8_t> bytes(128 * 512, 0x5A);
    std::copy_n(floppyBytes.begin(), 512, bytes.begin() + static_cast<std::ptrdiff_t>((kDataStart + 38) * 512));
    CMemoryDevice device(std::move(bytes));
    CFATForeignClusters foreign(&device, Geometry());
    AddFile(foreign, 10, 3, true);
    AddFile(foreign, 13, 2, true);  // written right after: one span with the first
    AddFile(foreign, 30, 5, false);
    AddFile(foreign, 36, 6, false);  // guessed to run on into the image, noted before it
    AddFile(foreign, 40, 20, false);
    foreign.AddOtherVolume(kDataStart + 98, kDataStart + 108);  // clusters 100 to 109

    for (std::uint64_t const u64Cluster : {10, 12, 14, 40, 41, 42, 59, 100, 109})
        EXPECT_TRUE(foreign.Holds(u64Cluster)) << "cluster " << u64Cluster;
    for (std::uint64_t const u64Cluster : {9, 15, 30, 34, 36, 39, 60, 99, 110})
        EXPECT_FALSE(foreign.Holds(u64Cluster)) << "cluster " << u64Cluster;
    // A sector by its cluster; one before the data area only inside another volume.
    EXPECT_TRUE(foreign.HoldsSector(kDataStart + 8));
    foreign.AddOtherVolume(2, 3);
    EXPECT_TRUE(foreign.HoldsSector(2));
    EXPECT_FALSE(foreign.HoldsSector(3));
    // Chains crossing each other (cross-linked files) both hold all their clusters.
    AddFile(foreign, 11, 30, true);
    EXPECT_TRUE(foreign.Holds(20));
}

}  // namespace
