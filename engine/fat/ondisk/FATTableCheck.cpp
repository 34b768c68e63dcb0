#include "engine/fat/ondisk/FATTableCheck.h"

#include <vector>

namespace fat {

namespace {

constexpr std::uint32_t kFat32Mask = 0x0FFFFFFF;

/// Every bit of entry 0 above the media byte set and the media byte one FAT writers use (the
/// boot sector's, when given); every bit of entry 1 below the shutdown and error bits set.
bool HeaderHolds(FileSystemType eType, std::uint32_t u32Entry0, std::uint32_t u32Entry1, int iMedia) {
    std::uint32_t const u32Media = u32Entry0 & 0xFF;
    if (!IsMediaByte(u32Media) || (iMedia != kAnyMedia && u32Media != static_cast<std::uint32_t>(iMedia))) return false;
    if (eType == FILE_SYSTEM_FAT12) return (u32Entry0 & 0xF00) == 0xF00 && (u32Entry1 & 0xFF8) == 0xFF8;
    if (eType == FILE_SYSTEM_FAT16) return (u32Entry0 & 0xFF00) == 0xFF00 && (u32Entry1 & 0x3FFF) == 0x3FFF;
    return (u32Entry0 & 0x0FFFFF00) == 0x0FFFFF00 && (u32Entry1 & 0x03FFFFF8) == 0x03FFFFF8;
}

/// The link a walk may follow from `u32Cluster`: a cluster of the table, or 0.
std::uint32_t Link(std::span<std::uint32_t const> entries, std::uint32_t u32Cluster, std::uint32_t u32Bad) {
    std::uint32_t const v = entries[u32Cluster];
    return v >= 2 && v < entries.size() && v < u32Bad ? v : 0;
}

}  // namespace

bool IsMediaByte(std::uint32_t u32Media) { return u32Media == 0xF0 || (u32Media >= 0xF8 && u32Media <= 0xFF); }

std::uint32_t ReadEntry(engine::ByteView table, FileSystemType eType, std::uint64_t u64Index) {
    if (u64Index >= EntriesIn(table.Size(), eType)) return 0;
    auto const index = static_cast<std::size_t>(u64Index);
    switch (EntryBits(eType)) {
        case 12: {
            // Entry 2k is the low 12 bits of bytes 3k..3k+1, entry 2k+1 the high 12 bits of bytes
            // 3k+1..3k+2: both lie in the 16 bits at index * 3 / 2.
            std::size_t const offset = index + index / 2;
            if (!table.Has(offset, 2)) return 0;
            std::uint32_t const u32Pair = table.Le16(offset);
            return (index & 1) != 0 ? u32Pair >> 4 : u32Pair & 0xFFF;
        }
        case 16:
            return table.Le16(index * 2);
        case 32:
            return table.Le32(index * 4) & kFat32Mask;
        default:
            return 0;
    }
}

bool CheckFATHeader(engine::ByteView table, FileSystemType eType, int iMedia) {
    if (EntriesIn(table.Size(), eType) < 2) return false;
    return HeaderHolds(eType, ReadEntry(table, eType, 0), ReadEntry(table, eType, 1), iMedia);
}

bool IsValidFATTableFirstSector(engine::ByteView sector, FileSystemType& eType) {
    for (FileSystemType const eCandidate : {FILE_SYSTEM_FAT32, FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT12}) {
        if (CheckFATHeader(sector, eCandidate)) {
            eType = eCandidate;
            return true;
        }
    }
    return false;
}

bool HasSoundHeader(std::span<std::uint32_t const> entries, FileSystemType eType, int iMedia) {
    return EntryBits(eType) != 0 && entries.size() >= 2 && HeaderHolds(eType, entries[0], entries[1], iMedia);
}

bool IsValidFATEntries(std::span<std::uint32_t const> entries, FileSystemType eType, int iMedia) {
    if (entries.size() > kFat32Mask || !HasSoundHeader(entries, eType, iMedia)) return false;
    auto const n = static_cast<std::uint32_t>(entries.size());
    std::uint32_t const u32Bad = BadClusterMark(eType);
    for (std::uint32_t i = 2; i < n; ++i) {
        std::uint32_t const v = entries[i];
        if (v == 1 || v == i || (v >= n && v < u32Bad)) return false;
    }
    // pred[c] is the cluster whose link names c; covered marks clusters some walk passed. A
    // link to a cluster that already has a predecessor is a join, or a loop within the walk.
    std::vector<std::uint32_t> pred(n, 0);
    std::vector<bool> covered(n, false);
    for (std::uint32_t s = 2; s < n; ++s) {
        if (covered[s]) continue;
        covered[s] = true;
        std::uint32_t cur = s;
        for (;;) {
            std::uint32_t const next = entries[cur];
            if (next < 2 || next >= u32Bad || next >= n) break;
            if (next == s || pred[next] != 0) return false;
            pred[next] = cur;
            if (covered[next]) break;  // the head of a chain an earlier walk covered
            covered[next] = true;
            cur = next;
        }
    }
    return true;
}

void CutChainLoops(std::span<std::uint32_t> entries, FileSystemType eType) {
    if (EntryBits(eType) == 0 || entries.size() < 3 || entries.size() > kFat32Mask) return;
    auto const n = static_cast<std::uint32_t>(entries.size());
    std::uint32_t const u32Bad = BadClusterMark(eType);
    std::uint32_t const u32End = EndOfChainMark(eType);
    std::vector<bool> named(n, false);
    for (std::uint32_t c = 2; c < n; ++c) named[Link(entries, c, u32Bad)] = true;
    enum : std::uint8_t { kUnseen, kOnWalk, kDone };
    std::vector<std::uint8_t> state(n, kUnseen);
    auto walk = [&](std::uint32_t s) {
        std::uint32_t cur = s;
        for (;;) {
            state[cur] = kOnWalk;
            std::uint32_t const next = Link(entries, cur, u32Bad);
            if (next == 0 || state[next] == kDone) break;
            if (state[next] == kOnWalk) {
                entries[cur] = u32End;  // the link that closes a loop
                break;
            }
            cur = next;
        }
        for (std::uint32_t c = s; c != 0 && state[c] == kOnWalk; c = Link(entries, c, u32Bad)) state[c] = kDone;
    };
    for (std::uint32_t s = 2; s < n; ++s)
        if (!named[s] && state[s] == kUnseen) walk(s);
    for (std::uint32_t s = 2; s < n; ++s)
        if (state[s] == kUnseen) walk(s);  // clusters on loops that no head leads into
}

}  // namespace fat
