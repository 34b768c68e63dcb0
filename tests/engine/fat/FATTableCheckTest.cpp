// Allocation tables made by hand: joins, loops, links out of range, the FAT12 packing, the
// FAT12 and FAT16 marks, and a
// descending chain across a full-size FAT32 table, which the check must take in linear time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATTableCheck.h"

namespace {

std::vector<std::uint32_t> Table(FileSystemType eType, std::uint32_t u32Entries) {
    std::vector<std::uint32_t> entries(u32Entries, 0);
    entries[0] = eType == FILE_SYSTEM_FAT16 ? 0xFFF8 : 0x0FFFFFF8;
    entries[1] = eType == FILE_SYSTEM_FAT16 ? 0xFFFF : 0x0FFFFFFF;
    return entries;
}

struct Case {
    char const* pszName;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> links;  // entry, value
    bool bValid;
};

TEST(FATTableCheckTest, ChainsThatJoinOrLoopOrLeaveTheTableAreInvalid) {
    std::vector<Case> const cases = {
        {"one chain", {{2, 3}, {3, 4}, {4, 0xFFFF}}, true},
        {"two chains join at 7", {{5, 7}, {9, 7}, {7, 0xFFFF}}, false},
        {"3-4-3 loop", {{3, 4}, {4, 3}}, false},
        {"self link", {{6, 6}}, false},
        {"link to 1", {{6, 1}}, false},
        {"link past the table", {{6, 40}}, false},
        {"chain entered mid-way by a later head", {{9, 5}, {5, 6}, {6, 0xFFFF}}, true},
    };
    for (FileSystemType const eType : {FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32}) {
        for (Case const& c : cases) {
            SCOPED_TRACE(c.pszName);
            auto entries = Table(eType, 32);
            for (auto [u32Entry, u32Value] : c.links)
                entries[u32Entry] = eType == FILE_SYSTEM_FAT32 && u32Value == 0xFFFF ? 0x0FFFFFFF : u32Value;
            EXPECT_EQ(fat::IsValidFATEntries(entries, eType), c.bValid);
        }
    }
}

TEST(FATTableCheckTest, ADamagedTableIsReadWithEachChainEndingWhereItFirstRepeats) {
    auto entries = Table(FILE_SYSTEM_FAT32, 32);
    // A file 2-3-4 looping back to 3; a loop 10-11-10 no head leads into; a self link at 20;
    // two chains 12-13 and 14-13 joining, which stay joined.
    for (auto [u32Entry, u32Value] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {2, 3}, {3, 4}, {4, 3}, {10, 11}, {11, 10}, {20, 20}, {12, 13}, {14, 13}, {13, 0x0FFFFFFF}})
        entries[u32Entry] = u32Value;
    CFATTable table(FILE_SYSTEM_FAT32, entries);
    ASSERT_FALSE(table.IsValidFATTable());
    EXPECT_EQ(table.GetNextCluster(2), 0u) << "a table that failed its checks answers nothing until guarded";
    table.GuardChains();
    EXPECT_EQ(table.GetNextCluster(3), 4u);
    EXPECT_GE(table.GetNextCluster(4), IFATTable::kEndOfChain);
    EXPECT_GE(table.GetNextCluster(10) == 11 ? table.GetNextCluster(11) : table.GetNextCluster(10),
              IFATTable::kEndOfChain);
    EXPECT_GE(table.GetNextCluster(20), IFATTable::kEndOfChain);
    EXPECT_EQ(table.GetNextCluster(12), 13u);
    EXPECT_EQ(table.GetNextCluster(14), 13u);
    EXPECT_EQ(table.NextFreeClusters(5).u32First, 5u);
    EXPECT_EQ(table.NextFreeClusters(5).u32Count, 5u);  // 5 to 9; 10 to 14 are allocated
    EXPECT_EQ(table.NextFreeClusters(10).u32First, 15u);
}

TEST(FATTableCheckTest, ADescendingChainOverAFullFat32TableValidates) {
    constexpr std::uint32_t kEntries = 1u << 22;
    auto entries = Table(FILE_SYSTEM_FAT32, kEntries);
    entries[2] = 0x0FFFFFFF;
    for (std::uint32_t i = 3; i < kEntries; ++i) entries[i] = i - 1;
    EXPECT_TRUE(fat::IsValidFATEntries(entries, FILE_SYSTEM_FAT32));
}

TEST(FATTableCheckTest, Fat16MarksWidenAndFat32EntriesAreMasked) {
    auto fat16 = Table(FILE_SYSTEM_FAT16, 16);
    fat16[3] = 0xFFF7;
    fat16[4] = 0xFFFF;
    CFATTable const table16(FILE_SYSTEM_FAT16, fat16);
    ASSERT_TRUE(table16.IsValidFATTable());
    EXPECT_EQ(table16.GetNextCluster(3), IFATTable::kBadCluster);
    EXPECT_EQ(table16.GetNextCluster(4), IFATTable::kEndOfChain);
    EXPECT_EQ(table16.GetNextCluster(100), 0u);

    std::uint8_t raw[16] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F,
                            0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x00, 0xF0};
    engine::ByteView const view(raw, sizeof raw);
    EXPECT_EQ(fat::ReadEntry(view, FILE_SYSTEM_FAT32, 2), 0x0FFFFFFFu);
    EXPECT_EQ(fat::ReadEntry(view, FILE_SYSTEM_FAT32, 3), 5u);
}

/// 12-bit entries packed as FAT12 stores them: two in three bytes, low nibble first.
std::vector<std::uint8_t> PackFat12(std::vector<std::uint32_t> const& entries) {
    std::vector<std::uint8_t> raw;
    for (std::size_t i = 0; i < entries.size(); i += 2) {
        std::uint32_t const a = entries[i];
        std::uint32_t const b = i + 1 < entries.size() ? entries[i + 1] : 0;
        raw.push_back(static_cast<std::uint8_t>(a & 0xFF));
        raw.push_back(static_cast<std::uint8_t>((a >> 8) | ((b & 0xF) << 4)));
        if (i + 1 < entries.size()) raw.push_back(static_cast<std::uint8_t>(b >> 4));
    }
    return raw;
}

TEST(FATTableCheckTest, Fat12EntriesUnpackAndTheirMarksWiden) {
    std::vector<std::uint8_t> const pair = PackFat12({0xABC, 0x123});
    EXPECT_EQ(pair, (std::vector<std::uint8_t>{0xBC, 0x3A, 0x12}));
    std::vector<std::uint32_t> const entries = {0xFF0, 0xFFF, 0x003, 0xFF7, 0xFFF, 0x006, 0x007, 0xFF8};
    std::vector<std::uint8_t> const raw = PackFat12(entries);
    ASSERT_EQ(raw.size(), 12u);
    engine::ByteView const view(raw.data(), raw.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(fat::ReadEntry(view, FILE_SYSTEM_FAT12, i), entries[i]) << i;
    EXPECT_EQ(fat::ReadEntry(view, FILE_SYSTEM_FAT12, 8), 0u);
    // Five bytes hold entries 0 to 2; entry 3 would need the sixth byte.
    engine::ByteView const cut(raw.data(), 5);
    EXPECT_EQ(fat::EntriesIn(cut.Size(), FILE_SYSTEM_FAT12), 3u);
    EXPECT_EQ(fat::ReadEntry(cut, FILE_SYSTEM_FAT12, 2), 0x003u);
    EXPECT_EQ(fat::ReadEntry(cut, FILE_SYSTEM_FAT12, 3), 0u);
    FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
    EXPECT_TRUE(fat::IsValidFATTableFirstSector(view, eType));
    EXPECT_EQ(eType, FILE_SYSTEM_FAT12);
    EXPECT_TRUE(fat::CheckFATHeader(view, FILE_SYSTEM_FAT12, 0xF0));
    EXPECT_FALSE(fat::CheckFATHeader(view, FILE_SYSTEM_FAT12, 0xF8));

    std::vector<std::uint32_t> unpacked(entries.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i) unpacked[i] = fat::ReadEntry(view, FILE_SYSTEM_FAT12, i);
    CFATTable const table(FILE_SYSTEM_FAT12, unpacked);
    ASSERT_TRUE(table.IsValidFATTable());
    EXPECT_EQ(table.GetNextCluster(2), 3u);
    EXPECT_EQ(table.GetNextCluster(3), IFATTable::kBadCluster);
    EXPECT_EQ(table.GetNextCluster(4), IFATTable::kEndOfChain);
    EXPECT_EQ(table.GetNextCluster(7), IFATTable::kEndOfChain);
    EXPECT_EQ(table.GetNextCluster(8), 0u);
}

TEST(FATTableCheckTest, AFat12LinkPastTheTableOrALoopIsCaught) {
    std::vector<std::uint32_t> outside = {0xFF8, 0xFFF, 0x100, 0xFFF};  // 0x100 lies past entry 3
    EXPECT_FALSE(fat::IsValidFATEntries(outside, FILE_SYSTEM_FAT12));
    std::vector<std::uint32_t> looping = {0xFF8, 0xFFF, 0x003, 0x004, 0x002, 0x000};
    EXPECT_FALSE(fat::IsValidFATEntries(looping, FILE_SYSTEM_FAT12));
    CFATTable table(FILE_SYSTEM_FAT12, looping);
    ASSERT_TRUE(table.HasSoundHeader());
    table.GuardChains();
    std::uint32_t u32Steps = 0;
    for (std::uint32_t c = 2; c >= 2 && c < 6 && u32Steps < 6; c = table.GetNextCluster(c)) ++u32Steps;
    EXPECT_EQ(u32Steps, 3u) << "the cut loop ends after clusters 2, 3 and 4";
    EXPECT_EQ(table.GetNextCluster(5), 0u);
}

TEST(FATTableCheckTest, TheHeaderIgnoresTheShutdownAndErrorBits) {
    std::uint8_t raw[8] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x03};  // both bits cleared
    FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
    EXPECT_TRUE(fat::IsValidFATTableFirstSector(engine::ByteView(raw, sizeof raw), eType));
    EXPECT_EQ(eType, FILE_SYSTEM_FAT32);
}

}  // namespace
