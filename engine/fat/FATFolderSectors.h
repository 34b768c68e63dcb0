#pragma once
// The folder sectors a complete scan met, in rising sector order: a sub-folder's first sector
// (its "." and ".." clusters) or another sector of folder entries. Every found partition takes
// its range of them by binary search when its folders are rebuilt.
#include <cstdint>
#include <span>
#include <vector>

struct FATFolderSector {
    /// Both clusters of a folder-entries sector that is not a folder's first.
    static constexpr std::uint32_t kNotFirst = 0xFFFFFFFF;

    std::int64_t s64Sector = 0;
    std::uint32_t u32Cluster = kNotFirst;        // the "." entry's cluster
    std::uint32_t u32ParentCluster = kNotFirst;  // the ".." entry's cluster

    bool IsFolderStart() const { return u32Cluster != kNotFirst; }
};

class CFATFolderSectors {
public:
    /// At most this many records are kept (16 bytes each); a disk of nothing but folder
    /// entries must not take memory without bound.
    static constexpr std::size_t kMaxRecords = std::size_t{1} << 24;

    /// Appends a record; records must arrive in rising sector order (a lower one is ignored).
    /// False when the cap was reached.
    bool Add(FATFolderSector const& record);
    /// The records of sectors `s64First` to `s64Last` inclusive.
    std::span<FATFolderSector const> Range(std::int64_t s64First, std::int64_t s64Last) const;
    /// The record of exactly `s64Sector`, or null.
    FATFolderSector const* Find(std::int64_t s64Sector) const;
    std::size_t Size() const { return m_records.size(); }
    void Clear() { m_records.clear(); }

private:
    std::vector<FATFolderSector> m_records;
};
