// The HFS+ deleted-record pass over 8 MiB of journal transactions: each transaction a block
// list and sixteen 4 KiB catalog leaves of file records the live catalog no longer holds.
// Reports the records gathered per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/hfsplus/journal/HfsPlusJournal.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kHeaderSize = 512;
constexpr std::uint32_t kListSize = 4096;
constexpr std::size_t kNodeSize = 4096;
constexpr std::size_t kLeavesPerTransaction = 16;
constexpr std::size_t kJournalSize = 8u << 20;

void PutBe(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}
void PutLe(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

/// A catalog leaf of file records in folder `u32Parent`, ids from `u32FirstID`; its record count.
std::size_t Leaf(Bytes& node, std::uint32_t u32Parent, std::uint32_t u32FirstID) {
    constexpr std::size_t kFileRecord = 248;
    node.assign(kNodeSize, 0);
    node[8] = 0xFF;
    node[9] = 1;
    std::size_t offset = 14;
    std::size_t count = 0;
    for (;; ++count) {
        std::string const name = "file" + std::to_string(count);
        std::size_t const size = 8 + 2 * name.size() + kFileRecord;
        if (offset + size + 2 * (count + 2) > kNodeSize) break;
        PutBe(node, kNodeSize - 2 * (count + 1), offset, 2);
        PutBe(node, offset, 6 + 2 * name.size(), 2);
        PutBe(node, offset + 2, u32Parent, 4);
        PutBe(node, offset + 6, name.size(), 2);
        for (std::size_t i = 0; i < name.size(); ++i)
            PutBe(node, offset + 8 + 2 * i, static_cast<std::uint8_t>(name[i]), 2);
        std::size_t const data = offset + 8 + 2 * name.size();
        PutBe(node, data, hfsplus::kRecordFile, 2);
        PutBe(node, data + 8, u32FirstID + count, 4);
        offset += size;
    }
    PutBe(node, 10, count, 2);
    PutBe(node, kNodeSize - 2 * (count + 1), offset, 2);
    return count;
}

struct Journal {
    Bytes bytes;
    hfsplus::JournalHeader header;
    std::size_t records = 0;
};

Journal const& MakeJournal() {
    static Journal const journal = [] {
        Journal made;
        made.bytes.assign(kJournalSize, 0);
        std::size_t at = kHeaderSize;
        std::size_t const transaction = kListSize + kLeavesPerTransaction * kNodeSize;
        Bytes node;
        for (std::uint32_t t = 0; at + transaction <= kJournalSize; ++t, at += transaction) {
            PutLe(made.bytes, at, kListSize / 16 - 1, 2);
            PutLe(made.bytes, at + 2, kLeavesPerTransaction + 1, 2);
            for (std::size_t i = 0; i < kLeavesPerTransaction; ++i) {
                PutLe(made.bytes, at + 16 * (i + 1), i, 8);  // block numbers of the catalog's leaves
                PutLe(made.bytes, at + 16 * (i + 1) + 8, kNodeSize, 4);
                made.records +=
                    Leaf(node, 100 + t * kLeavesPerTransaction + static_cast<std::uint32_t>(i), 1000 + t * 10000);
                std::memcpy(made.bytes.data() + at + kListSize + i * kNodeSize, node.data(), kNodeSize);
            }
        }
        made.header = {at, kJournalSize, kListSize, kHeaderSize};
        return made;
    }();
    return journal;
}

void JournalPass(benchmark::State& state) {
    Journal const& journal = MakeJournal();
    hfsplus::JournalRead const read = [&journal](std::uint64_t u64Offset, std::uint8_t* pBuffer,
                                                 std::uint64_t u64Length) {
        if (u64Offset + u64Length > journal.bytes.size()) return false;
        std::memcpy(pBuffer, journal.bytes.data() + u64Offset, u64Length);
        return true;
    };
    hfsplus::LiveVolumeQuery live;
    live.belongsTo = [](std::uint64_t) { return hfsplus::kCatalogFileID; };
    live.catalogHolds = [](hfsplus::CatalogKey const&, hfsplus::CatalogRecord const&) { return false; };
    std::size_t gathered = 0;
    for (auto _ : state) {
        hfsplus::CHFSPlusDeletedRecords records;
        if (!hfsplus::GatherDeletedRecords(journal.header, read, live, records, nullptr, nullptr))
            state.SkipWithError("a read failed");
        gathered = records.CatalogCount();
    }
    if (gathered != journal.records) state.SkipWithError("records were lost");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJournalSize));
    state.counters["records_per_second"] =
        benchmark::Counter(static_cast<double>(journal.records), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(JournalPass)->Unit(benchmark::kMillisecond);

}  // namespace
