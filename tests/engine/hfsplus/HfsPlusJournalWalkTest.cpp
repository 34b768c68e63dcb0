// The journal ring pass on journals laid out in memory as TN1150 describes them: a transaction
// that crosses the ring's end is read whole, a hostile block size or end field ends the pass
// after one round, and headers that would make the pass stand still or misread are refused.
// The collections of deleted records keep one entry per item, its latest copy, newest first.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/ByteWriter.h"
#include "engine/hfsplus/journal/HfsPlusDeletedRecords.h"
#include "engine/hfsplus/journal/HfsPlusJournalWalk.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using hfsplus::JournalHeader;

constexpr std::uint32_t kHeaderSize = 512;
constexpr std::uint32_t kListSize = 512;  // 32 entries
constexpr std::uint64_t kJournalSize = kHeaderSize + 8 * 512;

Bytes HeaderBytes(std::uint64_t u64End, std::uint32_t u32HeaderSize = kHeaderSize,
                  std::uint32_t u32Endian = 0x12345678) {
    Bytes bytes(kHeaderSize, 0);
    engine::ByteWriter(bytes).Le32(0, 0x4A4E4C78);
    engine::ByteWriter(bytes).Le32(4, u32Endian);
    engine::ByteWriter(bytes).Le64(8, u64End);
    engine::ByteWriter(bytes).Le64(16, u64End);
    engine::ByteWriter(bytes).Le64(24, kJournalSize);
    engine::ByteWriter(bytes).Le32(32, kListSize);
    engine::ByteWriter(bytes).Le32(40, u32HeaderSize);
    return bytes;
}

/// A journal holding one transaction at `u64At`: a block list of `sizes` (block numbers 100,
/// 101, ...) and blocks filled with their index + 1, written round the ring.
Bytes JournalWith(std::uint64_t u64At, std::vector<std::uint32_t> const& sizes, std::uint64_t u64End) {
    Bytes journal(kJournalSize, 0);
    Bytes const header = HeaderBytes(u64End);
    std::copy(header.begin(), header.end(), journal.begin());
    Bytes transaction(kListSize, 0);
    engine::ByteWriter(transaction).Le16(0, kListSize / 16 - 1);
    engine::ByteWriter(transaction).Le16(2, static_cast<std::uint16_t>(sizes.size() + 1));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        engine::ByteWriter(transaction).Le64(16 * (i + 1), 100 + i);
        engine::ByteWriter(transaction).Le32(16 * (i + 1) + 8, sizes[i]);
        if (sizes[i] <= hfsplus::kMaxJournalBlock)
            transaction.resize(transaction.size() + sizes[i], static_cast<std::uint8_t>(i + 1));
    }
    std::uint64_t u64Pos = u64At;
    for (std::uint8_t const byte : transaction) {
        journal[u64Pos] = byte;
        if (++u64Pos == kJournalSize) u64Pos = kHeaderSize;
    }
    return journal;
}

struct Walked {
    std::vector<std::pair<std::uint64_t, Bytes>> blocks;
    bool bRead = false;
};

Walked Walk(Bytes const& journal) {
    Walked walked;
    std::optional<JournalHeader> const header =
        hfsplus::ParseJournalHeader(engine::ByteView(journal.data(), journal.size()), kJournalSize, 0, journal.size());
    if (!header) return walked;
    walked.bRead = hfsplus::WalkJournal(
        *header,
        [&](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
            if (u64Offset + u64Length > journal.size()) return false;
            std::memcpy(pBuffer, journal.data() + u64Offset, u64Length);
            return true;
        },
        [&](std::uint64_t u64Number, std::span<std::uint8_t const> block) {
            walked.blocks.emplace_back(u64Number, Bytes(block.begin(), block.end()));
            return true;
        },
        nullptr);
    return walked;
}

TEST(HfsPlusJournalWalk, ReadsATransactionCrossingTheRingsEnd) {
    // List at the ring's last 512 bytes; its 1024-byte block continues just after the header.
    Walked const walked = Walk(JournalWith(kJournalSize - 512, {1024}, kHeaderSize + 512));
    ASSERT_TRUE(walked.bRead);
    ASSERT_EQ(walked.blocks.size(), 1u);
    EXPECT_EQ(walked.blocks[0].first, 100u);
    EXPECT_EQ(walked.blocks[0].second, Bytes(1024, 1));
}

TEST(HfsPlusJournalWalk, EndEqualToStartStillGoesRoundOnce) {
    Walked const walked = Walk(JournalWith(kHeaderSize + 1024, {512, 512}, kHeaderSize + 1024));
    ASSERT_TRUE(walked.bRead);
    ASSERT_EQ(walked.blocks.size(), 2u);
    EXPECT_EQ(walked.blocks[1].second, Bytes(512, 2));
}

TEST(HfsPlusJournalWalk, HostileBlockSizesEndAfterOneRound) {
    // An empty block and one claiming 2 GiB are skipped unread; the pass still ends.
    Walked const walked = Walk(JournalWith(kHeaderSize, {0, 0x7FFFFFFF, 512}, kHeaderSize + 512));
    EXPECT_TRUE(walked.bRead);
    EXPECT_TRUE(walked.blocks.empty());
}

TEST(HfsPlusJournalWalk, RefusesHeadersThatWouldStandStillOrMisread) {
    auto parses = [](Bytes const& bytes) {
        return hfsplus::ParseJournalHeader(engine::ByteView(bytes.data(), bytes.size()), kJournalSize, 0, kJournalSize)
            .has_value();
    };
    EXPECT_TRUE(parses(HeaderBytes(kHeaderSize)));
    EXPECT_FALSE(parses(HeaderBytes(kHeaderSize, 0))) << "a header size of 0";
    EXPECT_FALSE(parses(HeaderBytes(kHeaderSize, 768))) << "not a power of two";
    EXPECT_FALSE(parses(HeaderBytes(kHeaderSize, kHeaderSize, 0x78563412))) << "big-endian";
    EXPECT_FALSE(parses(HeaderBytes(kJournalSize))) << "end outside the ring";
    Bytes const valid = HeaderBytes(kHeaderSize);
    EXPECT_FALSE(
        hfsplus::ParseJournalHeader(engine::ByteView(valid.data(), valid.size()), kJournalSize, 512, kJournalSize))
        << "a journal reaching past the volume";
}

}  // namespace

namespace {

hfsplus::CatalogKey Key(std::uint32_t u32Parent, std::u16string const& name) {
    return hfsplus::CatalogKey{u32Parent, std::vector<std::uint16_t>(name.begin(), name.end())};
}
hfsplus::CatalogRecord File(std::uint32_t u32ID, std::uint32_t u32Date) {
    hfsplus::CatalogRecord record;
    record.u16Type = hfsplus::kRecordFile;
    record.u32ID = u32ID;
    record.u32ModifyDate = u32Date;
    return record;
}

TEST(HfsPlusDeletedRecords, ALaterCopyReplacesTheItemWhereItStandsAndNewItemsComeFirst) {
    hfsplus::CHFSPlusDeletedRecords records(hfsplus::kCompareCaseFolding);
    EXPECT_TRUE(records.AddCatalog(Key(2, u"a.txt"), File(20, 1)));
    EXPECT_TRUE(records.AddCatalog(Key(2, u"b.txt"), File(21, 1)));
    EXPECT_FALSE(records.AddCatalog(Key(2, u"A.TXT"), File(20, 2))) << "the same item, its name case-folded";
    EXPECT_TRUE(records.AddCatalog(Key(2, u"a.txt"), File(30, 3))) << "a name another item took again";
    auto const entries = records.CatalogNewestFirst();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].second.u32ID, 30u);
    EXPECT_EQ(entries[1].second.u32ID, 21u);
    EXPECT_EQ(entries[2].second.u32ID, 20u);
    EXPECT_EQ(entries[2].second.u32ModifyDate, 2u) << "the later copy";
    EXPECT_EQ(records.FindCatalog(Key(2, u"B.txt"))->u32ID, 21u);
    records.ClearCatalog();
    EXPECT_EQ(records.CatalogCount(), 0u);
}

}  // namespace
