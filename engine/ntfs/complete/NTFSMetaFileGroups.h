#pragma once
// The system records at the head of an MFT, found in disk order: record n of a group lies n
// records after its $MFT record. Each group keeps what places and sizes its partition: the
// $MFT's runs and cluster size, the $MFTMirr's first cluster, the $Bitmap's size, and its
// $LogFile and $AttrDef records. Offsets count whole records of the size the records give, so
// 4 KiB records on 4096-byte sectors pair up as 1 KiB ones on 512-byte sectors do.
//
// At the end every group proposes its partition. A group found where another group's $MFTMirr
// record says the mirror lies is that partition's mirror copy: it confirms the pair (flag 4)
// instead of proposing a partition of its own at the wrong place.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/ntfs/complete/NTFSMetaFileInfo.h"

class CNTFSCandidateSet;
class CSearchedNTFSPartitionInfo;

namespace ntfscomplete {
// Rows of the metafile table (CMetaFileRecordTypeAnalyzer) that are also record numbers.
constexpr std::uint32_t kMftRecord = 0;
constexpr std::uint32_t kMftMirrRecord = 1;
constexpr std::uint32_t kLogFileRecord = 2;
constexpr std::uint32_t kAttrDefRecord = 4;
constexpr std::uint32_t kBitmapRecord = 6;
constexpr std::uint32_t kUpCaseRecord = 10;
}  // namespace ntfscomplete

struct NtfsMftGroup {
    std::int64_t s64Sector = -1;         // of the $MFT record
    std::uint32_t u32RecordSectors = 1;  // device sectors per FILE record
    std::uint32_t u32RecordBytes = 1024;
    std::uint32_t u32SectorsPerCluster = 0;
    CMFTInfo mft;
    std::int64_t s64MirrorCluster = -1;
    std::int64_t s64BitmapClusters = -1;
    std::unique_ptr<CLogFileInfo> pLogFile;
    std::unique_ptr<CAttrDefFileInfo> pAttrDef;
    std::unique_ptr<CUpCaseFileInfo> pUpCase;
    bool bMirror = false;  // set at the end: the mirror copy of another group's partition

    /// Where the partition starts if this is its real MFT; -1 when it cannot.
    std::int64_t PartitionStart() const;
    /// The sectors its $Bitmap covers; -1 when its $Bitmap record was not met.
    std::int64_t BitmapSectors() const;
};

class CNTFSMetaFileGroups {
public:
    static constexpr std::size_t kMaxGroups = 500000;
    /// Records 0..15 are the system records a group can hold.
    static constexpr std::uint32_t kLastGroupRecord = 15;

    void Reset(std::uint32_t u32SectorSize);
    /// A valid base FILE record at `s64Sector`, in ascending sector order; `u32MetaFile` is its
    /// row in the metafile table (CMetaFileRecordTypeAnalyzer), kNotMetaFile for others. Returns
    /// the group this record ended, if it ended one.
    NtfsMftGroup const* Feed(std::int64_t s64Sector, CNTFSFileRecord const& record, std::uint32_t u32MetaFile);
    /// Ends the open group.
    void Finish() { Close(); }
    /// Marks mirror copies, then proposes each other group's partition with its evidence.
    void Propose(CNTFSCandidateSet& candidates);
    /// The real MFT group of a candidate: its $MFT record at start + first cluster x cluster.
    NtfsMftGroup const* GroupOf(CSearchedNTFSPartitionInfo const& candidate) const;
    std::vector<std::unique_ptr<NtfsMftGroup>> const& Groups() const { return m_groups; }

private:
    /// Ends the open group; returns it where it is kept.
    NtfsMftGroup const* Close();
    NtfsMftGroup const* GroupAt(std::int64_t s64Sector) const;
    void Confirm(CNTFSCandidateSet& candidates, NtfsMftGroup const& group, std::int64_t s64Sector,
                 std::int64_t s64Cluster, std::uint32_t u32Flag) const;

    std::uint32_t m_u32SectorSize = 512;
    std::unique_ptr<NtfsMftGroup> m_pOpen;
    std::vector<std::unique_ptr<NtfsMftGroup>> m_groups;
    std::unordered_map<std::int64_t, std::size_t> m_bySector;
};
