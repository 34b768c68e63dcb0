#include "engine/ntfs/complete/NTFSLogFileEvidence.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/complete/NTFSCandidateSet.h"
#include "engine/ntfs/ondisk/RCRDRecord.h"

using namespace ntfscomplete;

namespace {
constexpr std::size_t kUpdateSequenceNumber = 30;
constexpr std::size_t kVolumeTag = 144;
constexpr std::size_t kStride = 512;
}  // namespace

bool CNTFSLogFileEvidence::IsValidRestartPage(engine::ByteView page) {
    if (!page.Equals(0, "RSTR") || !page.Has(0, kPageBytes) ||
        !page.Equals(kVolumeTag, std::string_view("N\0T\0F\0S\0", 8)))
        return false;
    std::uint16_t const u16Check = page.Le16(kUpdateSequenceNumber);
    for (std::size_t end = kStride; end <= kPageBytes; end += kStride)
        if (page.Le16(end - 2) != u16Check) return false;
    return true;
}

void CNTFSLogFileEvidence::Reset(std::uint32_t u32SectorSize) {
    m_u32SectorSize = u32SectorSize;
    m_s64PageSectors = std::max<std::int64_t>(1, static_cast<std::int64_t>(kPageBytes / u32SectorSize));
    m_restartPages.clear();
    m_recordPages.Reset(u32SectorSize);
}

void CNTFSLogFileEvidence::AddRestartPage(std::int64_t s64Sector, engine::ByteView page) {
    if (m_restartPages.size() < kMaxEntries && IsValidRestartPage(page)) m_restartPages.push_back(s64Sector);
}

void CNTFSLogFileEvidence::AddRecordPage(std::int64_t s64Sector, engine::ByteView page) {
    if (!page.Has(0, kPageBytes) || !CRCRDRecord::IsValid(page.Sub(0, kPageBytes))) return;
    m_recordPages.AddMatch(s64Sector, kPageBytes);
}

void CNTFSLogFileEvidence::AddLogFileRecord(std::int64_t s64Sector, CNTFSFileRecord const& record) {
    auto pLog = std::make_unique<CLogFileInfo>();
    if (pLog->InitFromBuffer(record, s64Sector, m_u32SectorSize) && pLog->GetFirstClusterNO() >= 0 &&
        pLog->GetSectorsPerCluster() != 0)
        m_recordPages.AddRecord(std::move(pLog));
}

bool CNTFSLogFileEvidence::HasPage(std::int64_t s64Sector) const {
    return std::binary_search(m_restartPages.begin(), m_restartPages.end(), s64Sector);
}

void CNTFSLogFileEvidence::Propose(CNTFSCandidateSet& candidates) const {
    std::uint64_t u64Placements = 0;
    for (auto const& pRecord : m_recordPages.Records()) {
        auto const* pLog = static_cast<CLogFileInfo const*>(pRecord.get());
        std::uint32_t const u32Spc = pLog->GetSectorsPerCluster();
        auto const offset = engine::CheckedMul<std::int64_t>(pLog->GetFirstClusterNO(), u32Spc);
        if (!offset) continue;
        // A page at r places the partition at r - offset, at or before the log's own record (it
        // lies inside): r goes up to the record's sector + offset, one page more for a second page.
        auto const last = engine::CheckedAdd(pLog->GetSectorAddress(), *offset);
        if (!last) continue;
        std::int64_t const s64End = engine::CheckedAdd(*last, m_s64PageSectors).value_or(INT64_MAX);
        auto it = std::lower_bound(m_restartPages.begin(), m_restartPages.end(), *offset);
        for (; it != m_restartPages.end() && *it <= s64End; ++it) {
            if (++u64Placements > kMaxPlacements) return;
            std::int64_t const s64Page = *it;
            if (HasPage(s64Page - m_s64PageSectors)) continue;  // the second of a pair: placed with the first
            std::uint32_t const u32Flags =
                HasPage(s64Page + m_s64PageSectors) ? kFromFirstRestart | kFromSecondRestart : kFromFirstRestart;
            candidates.Place(s64Page, pLog->GetFirstClusterNO(), u32Spc, u32Flags);
            // A lone page may be the second one, its first lost.
            if (u32Flags == kFromFirstRestart)
                candidates.Place(s64Page - m_s64PageSectors, pLog->GetFirstClusterNO(), u32Spc, kFromSecondRestart);
        }
    }
}

void CNTFSLogFileEvidence::Count(CSearchedNTFSPartitionInfo& candidate, CLogFileInfo const* pLog) const {
    CNTFSContentCount::Result const result = m_recordPages.Count(candidate, pLog);
    candidate.m_s64LogFileRecordSector = result.s64RecordSector;
    candidate.m_s64LogFileMatchCount = result.s64Count;
}
