#pragma once
// Stretches of the disk whose bytes matched a fixed NTFS content ($AttrDef sectors, $LogFile
// record pages), in 512-byte units whatever the device's sector size, so that the counts mean
// the same on 4096-byte-sector disks. Units arrive in ascending order: only the last range can
// end just before a new one, so adding is constant time and counting a binary search.
#include <cstdint>
#include <vector>

class CNTFSDataRunList;

class CNTFSSectorRanges {
public:
    static constexpr std::size_t kMaxRanges = 500000;
    static constexpr std::uint32_t kUnit = 512;

    void Clear() { m_ranges.clear(); }
    /// `u64Count` units from `u64First`, at or after every unit added before.
    void Add(std::uint64_t u64First, std::uint64_t u64Count);
    /// Units held in [u64First, u64First + u64Count).
    std::uint64_t Count(std::uint64_t u64First, std::uint64_t u64Count) const;
    /// Units held in the clusters of `runs` of a partition at device sector `s64Start`.
    std::uint64_t CountInRuns(CNTFSDataRunList const& runs, std::int64_t s64Start, std::uint32_t u32SectorsPerCluster,
                              std::uint32_t u32SectorSize) const;

private:
    struct Range {
        std::uint64_t u64First;
        std::uint64_t u64Count;
    };
    std::vector<Range> m_ranges;
};
