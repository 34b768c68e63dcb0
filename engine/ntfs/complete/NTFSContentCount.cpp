#include "engine/ntfs/complete/NTFSContentCount.h"

#include <algorithm>

#include "engine/ntfs/complete/NTFSSearchedPartitionInfo.h"

void CNTFSContentCount::Reset(std::uint32_t u32SectorSize) {
    m_u32SectorSize = u32SectorSize;
    m_records.clear();
    m_matches.Clear();
}

void CNTFSContentCount::AddRecord(std::unique_ptr<CMetaFileInfo> pRecord) {
    if (m_records.size() < kMaxRecords) m_records.push_back(std::move(pRecord));
}

void CNTFSContentCount::AddMatch(std::int64_t s64Sector, std::uint64_t u64Bytes, std::uint64_t u64OffsetBytes) {
    if (s64Sector < 0) return;
    std::uint64_t const u64First =
        static_cast<std::uint64_t>(s64Sector) * (m_u32SectorSize / CNTFSSectorRanges::kUnit) +
        u64OffsetBytes / CNTFSSectorRanges::kUnit;
    m_matches.Add(u64First, u64Bytes / CNTFSSectorRanges::kUnit);
}

CNTFSContentCount::Result CNTFSContentCount::Count(CSearchedNTFSPartitionInfo const& candidate,
                                                   CMetaFileInfo const* pPreferred) const {
    std::int64_t const s64Start = candidate.m_s64StartSector;
    std::int64_t const s64End = s64Start + static_cast<std::int64_t>(candidate.GetTotalSectors());
    CMetaFileInfo const* pRecord = pPreferred;
    if (pRecord == nullptr) {
        auto const it = std::lower_bound(
            m_records.begin(), m_records.end(), s64Start,
            [](auto const& pFound, std::int64_t s64Sector) { return pFound->GetSectorAddress() < s64Sector; });
        if (it != m_records.end() && (*it)->GetSectorAddress() < s64End) pRecord = it->get();
    }
    Result result;
    if (pRecord == nullptr) return result;
    result.s64RecordSector = pRecord->GetSectorAddress();
    result.s64Count = static_cast<std::int64_t>(
        m_matches.CountInRuns(pRecord->GetDataRunList(), s64Start, candidate.m_u32SectorsPerCluster, m_u32SectorSize));
    return result;
}
