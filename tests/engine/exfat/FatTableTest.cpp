#include "engine/exfat/FatTable.h"

#include <gtest/gtest.h>

#include "engine/ByteWriter.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/ExFatPartition.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "support/ExFatBytes.h"

// Runs compare by value in these tests; DataRun itself is a stored record without operators.
bool operator==(DataRun const& a, DataRun const& b) { return a.s64Start == b.s64Start && a.s64Length == b.s64Length; }

namespace {

constexpr std::uint32_t kWindowEntries = CFatTable::kWindowBytes / 4;  // 262144
constexpr std::uint32_t kFatSectors = 10 * 2048 + 8;                   // ten full windows and a short one

// A device whose FAT (from sector 1) holds cluster + 7 in every entry.
std::vector<std::uint8_t> NumberedFat() {
    std::vector<std::uint8_t> bytes((1 + kFatSectors + 16) * 512, 0);
    engine::ByteWriter fat(bytes);
    for (std::uint32_t c = 0; c < kFatSectors * 128; ++c) fat.Le32(512 + 4 * c, c + 7);
    return bytes;
}

TEST(ExFatFatTableTest, AnEntryInTheSecondWindowIsReadFromThatWindow) {
    CMemoryDevice device(NumberedFat());
    CFatTable table;
    ASSERT_TRUE(table.CreateFatTable(&device, 1, kFatSectors));
    EXPECT_EQ(table.GetNextCluster(kWindowEntries - 1), kWindowEntries + 6);
    EXPECT_EQ(table.GetNextCluster(kWindowEntries), kWindowEntries + 7);
    EXPECT_EQ(table.GetNextCluster(kWindowEntries + 5), kWindowEntries + 12);
}

TEST(ExFatFatTableTest, TheTenthWindowDropsTheLowest) {
    CMemoryDevice device(NumberedFat());
    CFatTable table;
    ASSERT_TRUE(table.CreateFatTable(&device, 1, kFatSectors));
    for (std::uint32_t w = 0; w < 10; ++w)
        EXPECT_EQ(table.GetNextCluster(w * kWindowEntries + 1), w * kWindowEntries + 8);
    std::uint64_t const u64Reads = device.ReadCount();
    EXPECT_EQ(table.GetNextCluster(9 * kWindowEntries + 2), 9 * kWindowEntries + 9);  // still held
    EXPECT_EQ(table.GetNextCluster(1 * kWindowEntries + 2), 1 * kWindowEntries + 9);  // still held
    EXPECT_EQ(device.ReadCount(), u64Reads);
    EXPECT_EQ(table.GetNextCluster(2), 9u);  // window 0 was dropped: read again
    EXPECT_EQ(device.ReadCount(), u64Reads + 1);
}

TEST(ExFatFatTableTest, EntriesPastTheFatsEndHaveNoNextCluster) {
    CMemoryDevice device(NumberedFat());
    CFatTable table;
    ASSERT_TRUE(table.CreateFatTable(&device, 1, kFatSectors));
    std::uint32_t const u32Last = kFatSectors * 128 - 1;
    EXPECT_EQ(table.GetNextCluster(u32Last), u32Last + 7);
    EXPECT_EQ(table.GetNextCluster(u32Last + 1), CFatTable::kNoCluster);
    EXPECT_EQ(table.GetNextCluster(0xFFFFFFFF), CFatTable::kNoCluster);
}

TEST(ExFatFatTableTest, ARangeReachingTheDevicesEndOrAFailedReadLoadsNothing) {
    CMemoryDevice device(NumberedFat());
    CFatTable table;
    EXPECT_FALSE(table.CreateFatTable(&device, 1, static_cast<std::uint32_t>(device.GetTotalSectors())));
    EXPECT_FALSE(table.CreateFatTable(&device, 1, 0));
    device.FailSector(5);
    EXPECT_FALSE(table.CreateFatTable(&device, 1, kFatSectors));
    EXPECT_FALSE(table.IsValid());
    EXPECT_EQ(table.GetNextCluster(3), CFatTable::kNoCluster);
}

class ExFatRunsTest : public testing::Test {
protected:
    void SetUp() override { m_pDevice = std::make_unique<CMemoryDevice>(m_volume.Bytes()); }
    std::vector<DataRun> Runs(_tagFileBaseInfo const& info) {
        m_pDevice = std::make_unique<CMemoryDevice>(m_volume.Bytes());
        CExFatDBR const boot(engine::ByteView(m_volume.Bytes().data(), 512));
        CExFatPartition partition;
        partition.SetGeometry(boot, 0);
        EXPECT_TRUE(partition.CreateFatTable(m_pDevice.get(), boot.GetFatStartSector(), boot.GetSectorsPerFat()));
        ReleasePtr<IDataRunList> pRuns = partition.BuildFileDataRun(info);
        std::vector<DataRun> runs;
        for (DataRun* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) runs.push_back(*pRun);
        return runs;
    }
    static _tagFileBaseInfo File(std::uint32_t u32First, std::uint64_t u64Size, bool bNoFatChain) {
        _tagFileBaseInfo info;
        info.u32FirstCluster = u32First;
        info.u64DataLength = u64Size;
        info.u8NoFatChain = bNoFatChain ? 1 : 0;
        info.u8InUse = 1;
        return info;
    }

    exfattest::Volume m_volume;
    std::unique_ptr<CMemoryDevice> m_pDevice;
};

TEST_F(ExFatRunsTest, AFileWithoutFatChainIsOneRunFromTheHeapStart) {
    EXPECT_EQ(Runs(File(10, 1025, true)), (std::vector<DataRun>{{8, 3}}));
}

TEST_F(ExFatRunsTest, AFatChainBecomesMergedRuns) {
    m_volume.SetFat(10, 11);
    m_volume.SetFat(11, 20);
    m_volume.SetFat(20, 0xFFFFFFFF);
    EXPECT_EQ(Runs(File(10, 3 * 512, false)), (std::vector<DataRun>{{8, 2}, {18, 1}}));
}

TEST_F(ExFatRunsTest, ALoopingChainEndsAtTheClusterItAlreadyTook) {
    m_volume.SetFat(10, 11);
    m_volume.SetFat(11, 10);
    EXPECT_EQ(Runs(File(10, 100 * 512, false)), (std::vector<DataRun>{{8, 2}}));
}

TEST_F(ExFatRunsTest, AChainStopsOnceItCoversTheSize) {
    for (std::uint32_t c = 10; c < 40; ++c) m_volume.SetFat(c, c + 1);
    EXPECT_EQ(Runs(File(10, 4 * 512, false)), (std::vector<DataRun>{{8, 4}}));
}

TEST_F(ExFatRunsTest, FoldersEmptyFilesAndClustersOutsideTheVolumeHaveNoRuns) {
    _tagFileBaseInfo folder = File(10, 512, true);
    folder.u16Attributes = 0x10;
    EXPECT_TRUE(Runs(folder).empty());
    EXPECT_TRUE(Runs(File(10, 0, true)).empty());
    EXPECT_TRUE(Runs(File(1, 512, true)).empty());
    EXPECT_TRUE(Runs(File(exfattest::Volume::kClusters + 2, 512, true)).empty());
}

TEST_F(ExFatRunsTest, BuildFileMarksDeletedSetsAndKeepsTheEntrySector) {
    _tagFileBaseInfo info = File(10, 700, true);
    info.u8InUse = 0;
    info.u64EntrySector = 300;
    info.strName = "gone.bin";
    m_pDevice = std::make_unique<CMemoryDevice>(m_volume.Bytes());
    CExFatPartition partition;
    partition.SetGeometry(CExFatDBR(engine::ByteView(m_volume.Bytes().data(), 512)), 0);
    ReleasePtr<CExFatFileNode> pNode = partition.BuildFile(info);
    EXPECT_TRUE(pNode->IsDeleted());
    EXPECT_STREQ(pNode->GetFileName(), "gone.bin");
    EXPECT_EQ(pNode->GetFileSize(), 700);
    EXPECT_EQ(pNode->GetMetadataStartPosition(), 300);
}

}  // namespace
