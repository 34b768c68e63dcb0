#include "engine/fat/ondisk/FATTableCheck.h"

#include <vector>

namespace fat {

namespace {

constexpr std::uint32_t kFat32Mask = 0x0FFFFFFF;

/// The header masks: every bit of entry 0 above the media byte's low nibble, and every bit of
/// entry 1 below the shutdown and error bits.
bool HeaderHolds(FileSystemType eType, std::uint32_t u32Entry0, std::uint32_t u32Entry1) {
    if (eType == FILE_SYSTEM_FAT16) {
        std::uint32_t const u32Value = (u32Entry0 & 0xFFFF) | (u32Entry1 & 0xFFFF) << 16;
        return (u32Value & 0x3FFFFFF8) == 0x3FFFFFF8;
    }
    return (u32Entry0 & 0x0FFFFFF0) == 0x0FFFFFF0 && (u32Entry1 & 0x03FFFFF8) == 0x03FFFFF8;
}

}  // namespace

std::uint32_t EntryWidth(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT16 ? 2 : eType == FILE_SYSTEM_FAT32 ? 4 : 0;
}

std::uint32_t BadClusterMark(FileSystemType eType) { return eType == FILE_SYSTEM_FAT16 ? 0xFFF7 : 0x0FFFFFF7; }

std::uint32_t ReadEntry(engine::ByteView table, FileSystemType eType, std::uint64_t u64Index) {
    std::uint32_t const u32Width = EntryWidth(eType);
    if (u32Width == 0 || u64Index >= table.Size() / u32Width) return 0;
    std::size_t const offset = static_cast<std::size_t>(u64Index) * u32Width;
    return u32Width == 2 ? table.Le16(offset) : table.Le32(offset) & kFat32Mask;
}

bool CheckFATHeader(engine::ByteView table, FileSystemType eType) {
    std::uint32_t const u32Width = EntryWidth(eType);
    if (u32Width == 0 || !table.Has(0, 2 * u32Width)) return false;
    std::uint32_t const u32Entry0 = u32Width == 2 ? table.Le16(0) : table.Le32(0);
    std::uint32_t const u32Entry1 = u32Width == 2 ? table.Le16(2) : table.Le32(4);
    return HeaderHolds(eType, u32Entry0, u32Entry1);
}

bool IsValidFATTableFirstSector(engine::ByteView sector, FileSystemType& eType) {
    for (FileSystemType const eCandidate : {FILE_SYSTEM_FAT32, FILE_SYSTEM_FAT16}) {
        if (CheckFATHeader(sector, eCandidate)) {
            eType = eCandidate;
            return true;
        }
    }
    return false;
}

bool IsValidFATEntries(std::span<std::uint32_t const> entries, FileSystemType eType) {
    std::uint32_t const u32Width = EntryWidth(eType);
    if (u32Width == 0 || entries.size() < 2 || entries.size() > kFat32Mask) return false;
    if (!HeaderHolds(eType, entries[0], entries[1])) return false;
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

}  // namespace fat
