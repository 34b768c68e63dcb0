#pragma once
// Which folder owns a directory sector: the sectors of each folder's clusters, as ranges, with
// the folder's node id. The first owner of a sector keeps it, so live folders, entered first,
// win over deleted ones that once had the same clusters.
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>

class CFolderSectorMap {
public:
    /// Gives [u64First, u64First + u64Count) to `s64FolderID` where no folder owns it yet.
    void Add(std::uint64_t u64First, std::uint64_t u64Count, long long s64FolderID) {
        if (u64Count == 0 || Find(u64First)) return;
        auto const after = m_ranges.upper_bound(u64First);
        if (after != m_ranges.end() && after->first < u64First + u64Count) return;
        m_ranges.emplace(u64First, Range{u64First + u64Count, s64FolderID});
    }
    /// The folder owning `u64Sector`, if any.
    std::optional<long long> Find(std::uint64_t u64Sector) const {
        auto after = m_ranges.upper_bound(u64Sector);
        if (after == m_ranges.begin()) return std::nullopt;
        auto const at = std::prev(after);
        return u64Sector < at->second.u64End ? std::optional<long long>(at->second.s64ID) : std::nullopt;
    }

private:
    struct Range {
        std::uint64_t u64End = 0;
        long long s64ID = 0;
    };
    std::map<std::uint64_t, Range> m_ranges;  // by first sector
};
