#pragma once
// The NTFS partitions a complete search proposes: one candidate per start sector and cluster
// size, with the evidence that proposed or confirmed it (build-from flags, folder matches,
// metafile counts). Every proposal goes through Place or ProposeAt, which refuse starts off the
// device and stop at kMaxCandidates, so hostile sectors cannot grow the set without bound.
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine/ntfs/complete/NTFSSearchedPartitionInfo.h"

class CNTFSFileRecordAttribute;

namespace ntfscomplete {

/// Which evidence proposed or confirmed a candidate.
enum BuildFrom : std::uint32_t {
    kFromPrimaryBoot = 1,      // a boot sector at the start
    kFromBackupBoot = 2,       // a backup boot sector at the end
    kFromMftPair = 4,          // an $MFT group and the $MFTMirr group it names
    kFromMftGroup = 8,         // an $MFT group
    kFromMftMirr = 16,         // an $MFTMirr group placed by its own record
    kFromIndexRecord = 32,     // an INDX block placed by its folder's index allocation
    kFromFirstRestart = 64,    // the first $LogFile restart page placed by a $LogFile record
    kFromSecondRestart = 128,  // the second restart page, 8 sectors after the first
};

/// Folder matches live in the base record's third file-system value (as FAT keeps its
/// sub-folder matches); the partition start in the first, as copy-out reads it.
constexpr std::size_t kFolderMatchValue = 2;

/// The device sectors per cluster a non-resident attribute's allocated size and its runs'
/// clusters give exactly (a power of two up to 128); 0 when they give none. The real or
/// initialised size would round: a folder of two index blocks in one 64 KiB cluster.
std::uint32_t SectorsPerClusterOf(CNTFSFileRecordAttribute const& attribute, std::uint32_t u32SectorSize);

}  // namespace ntfscomplete

class CNTFSCandidateSet {
public:
    static constexpr std::size_t kMaxCandidates = 100000;
    /// Fewer bytes than this between a start and the structure placing it, or between a start
    /// and the device's end, make no partition (eight 512-byte sectors, one 4096-byte one).
    static constexpr std::int64_t kMinBytes = 4096;

    using Key = std::pair<std::int64_t, std::uint32_t>;  // start sector, sectors per cluster
    using Map = std::map<Key, std::unique_ptr<CSearchedNTFSPartitionInfo>>;

    void Reset(std::uint32_t u32SectorSize, std::int64_t s64DeviceSectors);

    /// The candidate at `s64Start` with `u32SectorsPerCluster`, made (reaching to the device's
    /// end) when absent, then given `u32Flags`; null when the start lies off the device, the
    /// cluster size is 0 or the set is full.
    CSearchedNTFSPartitionInfo* ProposeAt(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster,
                                          std::uint32_t u32Flags);
    /// A structure seen at `s64Sector` that its file system puts at cluster `s64Cluster`:
    /// the partition starts `s64Cluster` clusters earlier, at least kMinBytes before it.
    CSearchedNTFSPartitionInfo* Place(std::int64_t s64Sector, std::int64_t s64Cluster,
                                      std::uint32_t u32SectorsPerCluster, std::uint32_t u32Flags);
    CSearchedNTFSPartitionInfo* Find(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster) const;
    /// Takes `u32Flags` away; drops the candidate when they were all that proposed it.
    void Withdraw(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster, std::uint32_t u32Flags);
    /// Sizes a candidate to `u64Sectors` (whole clusters, cut at the device's end).
    void SetSize(CSearchedNTFSPartitionInfo& candidate, std::uint64_t u64Sectors) const;
    void Drop(Key const& key) { m_candidates.erase(key); }

    Map& Candidates() { return m_candidates; }
    Map const& Candidates() const { return m_candidates; }
    std::int64_t DeviceSectors() const { return m_s64DeviceSectors; }
    /// kMinBytes in device sectors.
    std::int64_t MinSectors() const { return std::max<std::int64_t>(1, kMinBytes / m_u32SectorSize); }
    std::uint32_t SectorSize() const { return m_u32SectorSize; }

    /// The points the evidence gives: boot sectors, MFT groups, restart pages, metafile counts.
    static std::uint64_t Score(CSearchedNTFSPartitionInfo const& candidate);
    static std::uint64_t FolderMatches(CSearchedNTFSPartitionInfo const& candidate) {
        return candidate.m_u64FileSystemValues[ntfscomplete::kFolderMatchValue];
    }

private:
    Map m_candidates;
    std::uint32_t m_u32SectorSize = 512;
    std::int64_t m_s64DeviceSectors = 0;
};
