#include "engine/SearchedPartitionRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/SearchedPartitionInfo.h"

namespace {

TEST(SearchedPartitionInfo, SectorSizeFallsBackTo512UnlessMultipleOf512) {
    struct Case {
        std::uint32_t u32Given;
        std::uint32_t u32Expected;
    } const cases[] = {{0, 512}, {1000, 512}, {256, 512}, {512, 512}, {4096, 4096}, {1536, 1536}};
    for (Case const& c : cases)
        EXPECT_EQ(CSearchedPartitionInfo(c.u32Given).m_u32SectorSize, c.u32Expected) << c.u32Given;
}

class FatLikeInfo : public CSearchedPartitionInfo {
public:
    std::uint32_t GetType() const override { return 1; }
};

CSearchedPartitionInfo FullRecord() {
    CSearchedPartitionInfo info(4096);
    info.m_u64FileSystemValue = 0x0102030405060708ull;
    info.m_u16PartitionIndex = 0x1122;
    info.m_u32FileSystemType = 7;
    info.m_u32SectorsPerCluster = 0x40;
    info.m_s64StartSector = -2;
    info.m_u64FileSystemValues[0] = 0xA1;
    info.m_u64FileSystemValues[1] = 0xA2;
    info.m_u64FileSystemValues[2] = 0xA3;
    info.m_u32FileSystemFlags = 0xCAFEBABE;
    info.SetTotalSectors(0x1000000000ull);
    info.m_u64FileSystemCount = 3;
    info.m_dScore = 1.5;
    info.m_u32FileSystemExtra[0] = 0xD1;
    info.m_u32FileSystemExtra[1] = 0xD2;
    return info;
}

void ExpectSameFields(CSearchedPartitionInfo const& a, CSearchedPartitionInfo const& b) {
    EXPECT_EQ(a.m_u64FileSystemValue, b.m_u64FileSystemValue);
    EXPECT_EQ(a.m_u16PartitionIndex, b.m_u16PartitionIndex);
    EXPECT_EQ(a.m_u32FileSystemType, b.m_u32FileSystemType);
    EXPECT_EQ(a.m_u32SectorsPerCluster, b.m_u32SectorsPerCluster);
    EXPECT_EQ(a.m_s64StartSector, b.m_s64StartSector);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.m_u64FileSystemValues[i], b.m_u64FileSystemValues[i]);
    EXPECT_EQ(a.m_u32SectorSize, b.m_u32SectorSize);
    EXPECT_EQ(a.m_u32FileSystemFlags, b.m_u32FileSystemFlags);
    EXPECT_EQ(a.GetTotalSectors(), b.GetTotalSectors());
    EXPECT_EQ(a.m_u64FileSystemCount, b.m_u64FileSystemCount);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.m_dScore), std::bit_cast<std::uint64_t>(b.m_dScore));
    for (int i = 0; i < 2; ++i) EXPECT_EQ(a.m_u32FileSystemExtra[i], b.m_u32FileSystemExtra[i]);
}

// The stored form of FullRecord(), written out by hand: type, then the 104-byte record.
constexpr std::array<std::uint8_t, kStoredSearchedPartitionSize> kFullRecordBytes = {
    0x04, 0x00, 0x00, 0x00,                          // type 4: the base record
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //  0: not meaningful
    0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  //  8: 64-bit value of the file system
    0x22, 0x11, 0x00, 0x00,                          // 16: partition index, padding
    0x07, 0x00, 0x00, 0x00,                          // 20: file-system type (exFAT)
    0x40, 0x00, 0x00, 0x00,                          // 24: sectors per cluster
    0x00, 0x00, 0x00, 0x00,                          // 28: padding
    0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // 32: start sector -2
    0xA1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 40: three values of the file system
    0xA2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
    0xA3, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
    0x00, 0x10, 0x00, 0x00,                          // 64: sector size 4096
    0xBE, 0xBA, 0xFE, 0xCA,                          // 68: u32 of the file system
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,  // 72: total sectors 2^36
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 80: u64 of the file system
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // 88: score 1.5
    0xD1, 0x00, 0x00, 0x00,                          // 96: two u32 of the file system
    0xD2, 0x00, 0x00, 0x00,                          //
};

TEST(SearchedPartitionRecord, StoresPinnedLittleEndianLayout) {
    EXPECT_EQ(StoreSearchedPartitionInfo(FullRecord()), kFullRecordBytes);
}

TEST(SearchedPartitionRecord, StoresDerivedType) {
    FatLikeInfo info;
    auto const bytes = StoreSearchedPartitionInfo(info);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4 + 16], 0xFF);  // no partition index
    EXPECT_EQ(bytes[4 + 17], 0xFF);
}

TEST(SearchedPartitionRecord, LoadsWhatWasStoredIgnoringFirstEightBytes) {
    auto bytes = kFullRecordBytes;
    for (std::size_t i = 4; i < 12; ++i) bytes[i] = 0xEE;
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0x55);  // trailing bytes belong to whatever follows

    for (std::span<std::uint8_t const> input :
         {std::span<std::uint8_t const>(bytes), std::span<std::uint8_t const>(longer)}) {
        FatLikeInfo loaded;
        std::uint32_t u32Type = 0;
        ASSERT_TRUE(LoadSearchedPartitionInfo(input, u32Type, loaded));
        EXPECT_EQ(u32Type, 4u);
        EXPECT_EQ(loaded.GetType(), 1u);
        ExpectSameFields(loaded, FullRecord());
    }
}

TEST(SearchedPartitionRecord, LoadReplacesUnusableSectorSize) {
    auto bytes = kFullRecordBytes;
    bytes[4 + 64] = 0;
    bytes[4 + 65] = 0;
    CSearchedPartitionInfo loaded;
    std::uint32_t u32Type = 0;
    ASSERT_TRUE(LoadSearchedPartitionInfo(bytes, u32Type, loaded));
    EXPECT_EQ(loaded.m_u32SectorSize, 512u);
}

TEST(SearchedPartitionRecord, RefusesShortInputLeavingRecordUnchanged) {
    for (std::size_t const size : {std::size_t{0}, std::size_t{4}, kStoredSearchedPartitionSize - 1}) {
        SCOPED_TRACE(size);
        CSearchedPartitionInfo loaded = FullRecord();
        std::uint32_t u32Type = 99;
        EXPECT_FALSE(LoadSearchedPartitionInfo(std::span(kFullRecordBytes.data(), size), u32Type, loaded));
        EXPECT_EQ(u32Type, 99u);
        ExpectSameFields(loaded, FullRecord());
    }
}

}  // namespace
