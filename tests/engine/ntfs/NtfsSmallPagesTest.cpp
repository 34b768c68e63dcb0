// $LogFile RCRD pages and attribute lists, built the way NTFS lays them out, at the values
// where a parser must refuse or stop: a wrong update-sequence shape, entries that loop back.
#include <gtest/gtest.h>

#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"
#include "engine/ntfs/ondisk/RCRDRecord.h"

namespace {

std::vector<std::uint8_t> RcrdPage(std::uint16_t u16Offset, std::uint16_t u16Count) {
    std::vector<std::uint8_t> page(CRCRDRecord::kPageSize, 0x5A);
    std::copy_n("RCRD", 4, page.begin());
    page[4] = static_cast<std::uint8_t>(u16Offset);
    page[5] = 0;
    page[6] = static_cast<std::uint8_t>(u16Count);
    page[7] = 0;
    page[u16Offset] = 0x07;
    page[u16Offset + 1] = 0x00;
    EXPECT_TRUE(ntfs::ApplyUpdateSequence(page, u16Offset, u16Count));
    return page;
}

TEST(NtfsRcrdTest, OnlyOffset40AndCount9Pass) {
    auto page = RcrdPage(40, 9);
    EXPECT_TRUE(CRCRDRecord::IsValid(engine::ByteView(page)));
    EXPECT_TRUE(CRCRDRecord::Unfixup(page));
    EXPECT_EQ(page[4095], 0x5A);
    EXPECT_FALSE(CRCRDRecord::IsValid(engine::ByteView(RcrdPage(40, 8))));
    EXPECT_FALSE(CRCRDRecord::IsValid(engine::ByteView(RcrdPage(48, 9))));
    auto torn = RcrdPage(40, 9);
    torn[7 * 512 + 510] ^= 1;
    EXPECT_FALSE(CRCRDRecord::IsValid(engine::ByteView(torn)));
    EXPECT_FALSE(CRCRDRecord::IsValid(engine::ByteView(torn.data(), 4095)));
}

std::vector<std::uint8_t> ListEntry(std::uint32_t u32Type, std::uint16_t u16Length, std::uint64_t u64Record) {
    std::vector<std::uint8_t> entry(u16Length < 32 ? 32 : u16Length, 0);
    for (int i = 0; i < 4; ++i) entry[i] = static_cast<std::uint8_t>(u32Type >> (8 * i));
    entry[4] = static_cast<std::uint8_t>(u16Length);
    entry[5] = static_cast<std::uint8_t>(u16Length >> 8);
    for (int i = 0; i < 8; ++i) entry[16 + i] = static_cast<std::uint8_t>(u64Record >> (8 * i));
    return entry;
}

TEST(NtfsAttributeListTest, RecordsNamedAgainAndAZeroLengthEndTheWalk) {
    std::vector<std::uint8_t> list;
    // Entries naming the base (40), an extension (41) twice, then a zero-length entry that
    // would loop forever if stepped over by its length, then one that must not be reached.
    for (auto const& entry : {ListEntry(0x10, 32, 40), ListEntry(0x30, 32, 41 | (3ull << 48)), ListEntry(0x80, 32, 41),
                              ListEntry(0x80, 32, 42), ListEntry(0x80, 0, 43), ListEntry(0x80, 32, 44)})
        list.insert(list.end(), entry.begin(), entry.end());
    EXPECT_EQ(CNTFSMultiFileRecord::ListedRecords(engine::ByteView(list.data(), list.size()), 40),
              (std::vector<std::uint64_t>{41, 42}));
}

}  // namespace
