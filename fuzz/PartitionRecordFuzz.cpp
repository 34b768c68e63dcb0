// Loads a stored partition record from arbitrary bytes, stores it again and checks that the
// stored form reads back to the same fields: the results-file reader must never lose or
// invent a value, whatever the file holds. The same bytes are read as a stored placement too:
// one that loads stores a form that loads back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "engine/SearchedPartitionInfo.h"
#include "engine/SearchedPartitionRecord.h"

namespace {

bool SameFields(CSearchedPartitionInfo const& a, CSearchedPartitionInfo const& b) {
    // The score is compared bit for bit, so that a NaN read from the input still matches.
    return a.m_u64FileSystemValue == b.m_u64FileSystemValue && a.m_u16PartitionIndex == b.m_u16PartitionIndex &&
           a.m_u32FileSystemType == b.m_u32FileSystemType && a.m_u32SectorsPerCluster == b.m_u32SectorsPerCluster &&
           a.m_s64StartSector == b.m_s64StartSector &&
           std::memcmp(a.m_u64FileSystemValues, b.m_u64FileSystemValues, sizeof a.m_u64FileSystemValues) == 0 &&
           a.m_u32SectorSize == b.m_u32SectorSize && a.m_u32FileSystemFlags == b.m_u32FileSystemFlags &&
           a.m_u64TotalSectors == b.m_u64TotalSectors && a.m_u64FileSystemCount == b.m_u64FileSystemCount &&
           std::memcmp(&a.m_dScore, &b.m_dScore, sizeof a.m_dScore) == 0 &&
           std::memcmp(a.m_u32FileSystemExtra, b.m_u32FileSystemExtra, sizeof a.m_u32FileSystemExtra) == 0;
}

/// A placement read from the bytes stores a form that reads back to the same stored form.
void CheckPlacement(std::span<std::uint8_t const> bytes) {
    CSearchedPartitionInfo loaded;
    if (!LoadSearchedPartitionPlacement(bytes, loaded)) return;
    std::vector<std::uint8_t> const stored = StoreSearchedPartitionPlacement(loaded);
    CSearchedPartitionInfo again;
    if (!LoadSearchedPartitionPlacement(stored, again) || StoreSearchedPartitionPlacement(again) != stored)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size) {
    CheckPlacement(std::span<std::uint8_t const>(pData, size));
    CSearchedPartitionInfo first;
    std::uint32_t u32Type = 0;
    if (!LoadSearchedPartitionInfo(std::span<std::uint8_t const>(pData, size), u32Type, first)) {
        if (size >= kStoredSearchedPartitionSize) std::abort();  // full-length input must load
        return 0;
    }
    if (first.m_u32SectorSize == 0 || first.m_u32SectorSize % 512 != 0) std::abort();

    auto const stored = StoreSearchedPartitionInfo(first);
    CSearchedPartitionInfo second;
    std::uint32_t u32StoredType = 0;
    if (!LoadSearchedPartitionInfo(stored, u32StoredType, second)) std::abort();
    if (!SameFields(first, second)) std::abort();
    if (u32StoredType != CSearchedPartitionInfo::kBaseType) std::abort();
    // A second store of the same fields gives the same bytes.
    if (StoreSearchedPartitionInfo(second) != stored) std::abort();
    return 0;
}
