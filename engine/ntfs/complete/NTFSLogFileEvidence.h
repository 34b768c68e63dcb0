#pragma once
// What a disk tells of NTFS $LogFiles: restart pages ("RSTR", the first two pages of a log),
// record pages ("RCRD"), and the $LogFile records whose runs say where a log lies. At the end
// each $LogFile record places the restart pages in reach: a page at sector r is its log's first
// page in a partition starting at r - c x k (flag 64), with the page one page later as the
// second (flag 128); a lone page may be the second one. The pairing has a work budget, so
// lists at their caps cannot make it quadratic. The record pages count, per partition, how
// much of its log is intact.
//
// Restart page: | 0 | 4 | "RSTR" | 30 | 2 | update sequence number (end of every 512-byte
// stride) | 144 | 8 | "NTFS" in UTF-16LE |, 4096 bytes.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ByteView.h"
#include "engine/ntfs/complete/NTFSContentCount.h"
#include "engine/ntfs/complete/NTFSMetaFileInfo.h"

class CNTFSCandidateSet;
class CSearchedNTFSPartitionInfo;

class CNTFSLogFileEvidence {
public:
    static constexpr std::size_t kMaxEntries = 500000;
    static constexpr std::uint64_t kMaxPlacements = 1000000;
    static constexpr std::size_t kPageBytes = 4096;

    /// A whole restart page at the start of `page`.
    static bool IsValidRestartPage(engine::ByteView page);

    void Reset(std::uint32_t u32SectorSize);
    /// A sector starting with "RSTR", `page` running to the end of what is loaded.
    void AddRestartPage(std::int64_t s64Sector, engine::ByteView page);
    /// A sector starting with "RCRD", likewise.
    void AddRecordPage(std::int64_t s64Sector, engine::ByteView page);
    /// A valid $LogFile record.
    void AddLogFileRecord(std::int64_t s64Sector, CNTFSFileRecord const& record);
    /// Places the restart pages by every $LogFile record.
    void Propose(CNTFSCandidateSet& candidates) const;
    /// The record pages inside the log of `pLog` (null: the first $LogFile record inside the
    /// candidate), in 512-byte units; sets the candidate's $LogFile sector and count.
    void Count(CSearchedNTFSPartitionInfo& candidate, CLogFileInfo const* pLog) const;
    std::size_t RestartPages() const { return m_restartPages.size(); }

private:
    bool HasPage(std::int64_t s64Sector) const;

    std::uint32_t m_u32SectorSize = 512;
    std::int64_t m_s64PageSectors = 8;
    std::vector<std::int64_t> m_restartPages;  // ascending
    CNTFSContentCount m_recordPages;           // with the $LogFile records
};
