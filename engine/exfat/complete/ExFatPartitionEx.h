#pragma once
// A partition the complete scan believes in: an exFAT geometry (cluster-heap start and cluster
// size identify it) with the evidence that placed it and the runs of directory sectors it
// explains. Boot-sector evidence ranks above everything else.
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "engine/exfat/ExFatPartition.h"

class CExFatDBR;
class CFileSet;

class CExFatPartitionEx : public CExFatPartition {
public:
    static constexpr std::uint32_t kFlagMain = 0x80000000;    // a boot sector at its own start
    static constexpr std::uint32_t kFlagBackup = 0x40000000;  // a backup boot sector, 12 sectors in
    static constexpr std::uint32_t kFlagRoot = 0x10000000;    // a root folder placed it
    static constexpr std::uint32_t kFlagTree = 0x08000000;    // folder trees placed it
    static constexpr std::uint32_t kFlagFirstFat = 1;         // a FAT starts where its first FAT lies
    static constexpr std::uint32_t kFlagSecondFat = 2;
    static constexpr std::uint64_t kBackupBootOffset = 12;

    /// (heap start, sectors per cluster): at most one partition per key.
    using Key = std::pair<std::uint64_t, std::uint32_t>;

    /// From a valid boot sector at `u64PartitionStart`.
    CExFatPartitionEx(CExFatDBR const& bootSector, std::uint64_t u64PartitionStart, std::uint32_t u32Flags);
    /// From folders placed without a boot sector: `u32Clusters` clusters from `u64HeapStart`.
    CExFatPartitionEx(std::uint32_t u32SectorSize, std::uint64_t u64HeapStart, std::uint32_t u32SectorsPerCluster,
                      std::uint32_t u32Clusters, std::uint32_t u32RootCluster, std::uint32_t u32Flags);

    Key GetKey() const { return {GetHeapStart(), GetSectorsPerCluster()}; }
    std::uint32_t GetFlags() const { return m_u32Flags; }
    void AddFlags(std::uint32_t u32Flags) { m_u32Flags |= u32Flags; }
    bool HasBootSector() const { return m_u32Flags >= kFlagBackup; }
    /// Takes a FAT start at `u64Sector` when it lies where this partition's first or second FAT does.
    bool CheckFatSector(std::uint64_t u64Sector);
    std::uint64_t GetFatStart() const { return GetPartitionStart() + m_u64FatOffset; }
    std::uint32_t GetFatLength() const { return m_u32FatLength; }
    /// The sector after the partition's last.
    std::uint64_t GetEnd() const;
    /// Whether the run lies inside the heap and starts on a cluster boundary.
    bool ContainsSet(CFileSet const& set) const;
    bool IsAligned(std::uint64_t u64Sector) const;
    /// The cluster at `u64Sector` (which lies at or after the heap start).
    std::uint32_t ClusterAt(std::uint64_t u64Sector) const;

    std::set<CFileSet*>& Matched() { return m_matched; }
    std::set<CFileSet*> const& Matched() const { return m_matched; }
    std::map<std::uint64_t, std::uint32_t>& Scores() { return m_scores; }
    std::map<std::uint64_t, std::uint32_t> const& Scores() const { return m_scores; }
    std::vector<std::uint64_t>& AlignedSectors() { return m_aligned; }
    std::vector<std::uint64_t>& OtherSectors() { return m_other; }
    std::vector<std::uint64_t> const& AlignedSectors() const { return m_aligned; }
    /// Joins the set to this partition: matched, with its score.
    void Mark(CFileSet& set, std::uint32_t u32Score);
    /// Settles the directory sectors to build from: the others before the end join the aligned ones.
    void CalcPartitionParam();

private:
    std::uint32_t m_u32Flags = 0;
    std::uint32_t m_u32FatCount = 0;
    std::uint32_t m_u32FatLength = 0;
    std::uint64_t m_u64FatOffset = 0;
    std::set<CFileSet*> m_matched;  // not owned
    std::vector<std::uint64_t> m_aligned;
    std::vector<std::uint64_t> m_other;
    std::map<std::uint64_t, std::uint32_t> m_scores;  // by a matched run's first sector
};
