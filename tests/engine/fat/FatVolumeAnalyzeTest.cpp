// The FAT volume analyser on the fixture images: it names the type, the size the boot sector
// gives and the label mkfs.fat wrote into the root folder. A FAT32 root chain that links back
// to itself ends the label search instead of walking it again.
#include "engine/fat/FatVolumeAnalyze.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FatTestImages.h"
#include "engine/ByteWriter.h"
#include "engine/Types.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kEntryBytes = 32;

std::uint32_t Le(std::vector<std::uint8_t> const& bytes, std::size_t at, int iWidth) {
    std::uint32_t u32Value = 0;
    for (int i = iWidth - 1; i >= 0; --i) u32Value = u32Value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return u32Value;
}

struct Analysis {
    std::uint32_t u32Type = 0;
    unsigned long long u64TotalSectors = 0;
    std::string label;
    std::uint64_t u64Reads = 0;
};

Analysis Analyse(std::vector<std::uint8_t> bytes) {
    CMemoryDevice device(std::move(bytes), static_cast<int>(kSectorSize));
    std::unique_ptr<IVolumeAnalyze> pAnalyze(CreateFatVolumeAnalyze(&device, 0));
    Analysis analysis;
    if (!pAnalyze) return analysis;
    char szLabel[100] = {};
    pAnalyze->GetLabel(szLabel, sizeof(szLabel));
    analysis = {pAnalyze->GetFileSystemType(), pAnalyze->GetTotalSector(), szLabel, device.ReadCount()};
    return analysis;
}

struct LabelCase {
    char const* pszImage;
    std::uint32_t u32Type;
    char const* pszLabel;
};

class FatVolumeAnalyzeTest : public testing::TestWithParam<LabelCase> {
protected:
    void SetUp() override { FAT_IMAGES_OR_SKIP(); }
};

TEST_P(FatVolumeAnalyzeTest, NamesTheTypeTheBootSectorsSizeAndTheRootFoldersLabel) {
    std::vector<std::uint8_t> bytes = fattest::ReadBytes(fattest::Image(std::string(GetParam().pszImage) + ".img"));
    ASSERT_GE(bytes.size(), kSectorSize);
    std::uint32_t const u32Total16 = Le(bytes, 19, 2);
    unsigned long long const u64Total = u32Total16 != 0 ? u32Total16 : Le(bytes, 32, 4);
    Analysis const analysis = Analyse(std::move(bytes));
    EXPECT_EQ(analysis.u32Type, GetParam().u32Type);
    EXPECT_EQ(analysis.u64TotalSectors, u64Total);
    EXPECT_EQ(analysis.label, GetParam().pszLabel);
}

INSTANTIATE_TEST_SUITE_P(Images, FatVolumeAnalyzeTest,
                         testing::Values(LabelCase{"fat12", FILE_SYSTEM_FAT12, "FAT12VOL"},
                                         LabelCase{"fat16", FILE_SYSTEM_FAT16, "FAT16VOL"},
                                         LabelCase{"fat32", FILE_SYSTEM_FAT32, "FAT32VOL"}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszImage); });

TEST(FatVolumeAnalyzeLoopTest, ARootChainLinkingToItselfEndsTheLabelSearch) {
    FAT_IMAGES_OR_SKIP();
    std::vector<std::uint8_t> bytes = fattest::ReadBytes(fattest::Image("fat32.img"));
    ASSERT_GE(bytes.size(), kSectorSize);
    std::size_t const spc = bytes[13];
    std::size_t const reserved = Le(bytes, 14, 2);
    std::size_t const fats = bytes[16];
    std::size_t const perFat = Le(bytes, 36, 4);
    std::uint32_t const u32Root = Le(bytes, 44, 4);
    std::size_t const rootAt = (reserved + fats * perFat + (u32Root - 2) * spc) * kSectorSize;
    std::size_t const clusterBytes = spc * kSectorSize;
    ASSERT_LE(rootAt + clusterBytes, bytes.size());

    // Every slot of the root's cluster becomes the entry of "/docs": no label, no end marker,
    // so only the chain can end the search; and the chain names the root again.
    std::size_t docs = clusterBytes;
    for (std::size_t off = 0; off < clusterBytes; off += kEntryBytes)
        if (std::memcmp(&bytes[rootAt + off], "DOCS       ", 11) == 0) docs = off;
    ASSERT_LT(docs, clusterBytes);
    std::vector<std::uint8_t> const entry(bytes.begin() + static_cast<long>(rootAt + docs),
                                          bytes.begin() + static_cast<long>(rootAt + docs + kEntryBytes));
    for (std::size_t off = 0; off < clusterBytes; off += kEntryBytes)
        std::memcpy(&bytes[rootAt + off], entry.data(), kEntryBytes);
    for (std::size_t copy = 0; copy < fats; ++copy) {
        std::size_t const link = (reserved + copy * perFat) * kSectorSize + std::size_t{u32Root} * 4;
        engine::ByteWriter(bytes).Le32(link, u32Root);
    }

    Analysis const analysis = Analyse(std::move(bytes));
    EXPECT_EQ(analysis.u32Type, static_cast<std::uint32_t>(FILE_SYSTEM_FAT32));
    EXPECT_EQ(analysis.label, "");
    // The boot sector, the root's one cluster and the FAT chunk naming its link: the cluster is
    // not read again for every turn of the loop.
    EXPECT_LE(analysis.u64Reads, 4u);
}

}  // namespace
