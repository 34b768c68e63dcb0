// Which clusters of a FAT volume hold no folder entries of its own: a live file's, by its chain;
// a file's guessed to follow its first cluster (tables lost) only where it starts with a volume's
// boot sector, an image, made here by mkfs.fat; another volume's sectors.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/DataRunList.h"
#include "engine/EngineEntryPoints.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/fat/FATForeignClusters.h"
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
    std::ifstream in(floppy, std::ios::binary);
    std::vector<std::uint8_t> bootSector(512);
    ASSERT_TRUE(in.read(reinterpret_cast<char*>(bootSector.data()), 512));

    // Cluster 40 starts an image; cluster 30 a file of other bytes.
    std::vector<std::uint8_t> bytes(128 * 512, 0x5A);
    std::copy(bootSector.begin(), bootSector.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>((kDataStart + 38) * 512));
    CMemoryDevice device(std::move(bytes));
    CFATForeignClusters foreign(&device, Geometry());
    AddFile(foreign, 10, 3, true);
    AddFile(foreign, 13, 2, true);  // written right after: one span with the first
    AddFile(foreign, 30, 5, false);
    AddFile(foreign, 40, 20, false);
    foreign.AddOtherVolume(kDataStart + 98, kDataStart + 108);  // clusters 100 to 109

    struct Expected {
        std::uint64_t u64Cluster;
        bool bHeld;
    };
    for (Expected const& expected : {Expected{9, false},
                                     {10, true},
                                     {12, true},
                                     {14, true},
                                     {15, false},
                                     {30, false},
                                     {34, false},
                                     {40, true},
                                     {59, true},
                                     {60, false},
                                     {99, false},
                                     {100, true},
                                     {109, true},
                                     {110, false}})
        EXPECT_EQ(foreign.Holds(expected.u64Cluster), expected.bHeld) << "cluster " << expected.u64Cluster;
    // Sectors before the data area are held only inside another volume.
    EXPECT_FALSE(foreign.HoldsSector(3));
    EXPECT_TRUE(foreign.HoldsSector(kDataStart + 8));
    // A file overlapping one noted first adds nothing.
    AddFile(foreign, 11, 30, true);
    EXPECT_FALSE(foreign.Holds(20));
}

}  // namespace
