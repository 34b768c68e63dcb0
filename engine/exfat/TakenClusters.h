#pragma once
// Clusters already taken, kept as [first, end) ranges: memory and work grow with the runs, not
// the clusters, so a card of millions of contiguous clusters costs a handful of entries. A FAT
// walk uses it to see a looping chain; the complete scan to see two entries claiming one cluster.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>

class TakenClusters {
public:
    bool Contains(std::uint32_t u32Cluster) const {
        auto after = m_ranges.upper_bound(u32Cluster);
        if (after == m_ranges.begin()) return false;
        return u32Cluster < std::prev(after)->second;
    }
    void Add(std::uint32_t u32Cluster) { TryAdd(u32Cluster, 1); }
    /// Takes `u64Count` clusters from `u32First`; false, taking none, when any was taken before.
    bool TryAdd(std::uint32_t u32First, std::uint64_t u64Count) {
        if (u64Count == 0) return true;
        std::uint64_t const u64End = std::uint64_t{u32First} + u64Count;
        auto after = m_ranges.lower_bound(u32First);
        if (after != m_ranges.end() && after->first < u64End) return false;
        if (after != m_ranges.begin() && std::prev(after)->second > u32First) return false;
        std::uint64_t u64Start = u32First;
        std::uint64_t u64NewEnd = u64End;
        if (after != m_ranges.begin() && std::prev(after)->second == u32First) {
            auto before = std::prev(after);
            u64Start = before->first;
            m_ranges.erase(before);
        }
        if (after != m_ranges.end() && after->first == u64End) {
            u64NewEnd = after->second;
            m_ranges.erase(after);
        }
        m_ranges.emplace(u64Start, u64NewEnd);
        return true;
    }

    /// Takes what of `u64Count` clusters from `u32First` was not taken before; `take` gets each
    /// such stretch (first cluster, count), in order.
    template <typename Take>
    void TakeFree(std::uint32_t u32First, std::uint64_t u64Count, Take take) {
        std::uint64_t const u64End = std::uint64_t{u32First} + u64Count;
        std::uint64_t u64At = u32First;
        while (u64At < u64End) {
            auto const after = m_ranges.upper_bound(u64At);
            if (after != m_ranges.begin() && std::prev(after)->second > u64At) {
                u64At = std::prev(after)->second;  // past the stretch taken before
                continue;
            }
            std::uint64_t const u64Stop = after != m_ranges.end() ? std::min(u64End, after->first) : u64End;
            take(static_cast<std::uint32_t>(u64At), u64Stop - u64At);
            TryAdd(static_cast<std::uint32_t>(u64At), u64Stop - u64At);
            u64At = u64Stop;
        }
    }

private:
    std::map<std::uint64_t, std::uint64_t> m_ranges;
};
