#pragma once
// Stretches of a number line (device sectors, clusters, MFT VCNs) given in any order and any
// overlap, merged once into sorted disjoint spans: each question is then a binary search.
#include <cstdint>
#include <utility>
#include <vector>

class CNTFSSpanSet {
public:
    /// [s64First, s64End); an empty or reversed stretch is none.
    void Add(std::int64_t s64First, std::int64_t s64End);
    /// Whether a span holds `s64At`.
    bool Holds(std::int64_t s64At) const { return Overlaps(s64At, s64At + 1); }
    /// Whether a span holds any of [s64First, s64End).
    bool Overlaps(std::int64_t s64First, std::int64_t s64End) const;
    bool Empty() const { return m_spans.empty(); }

private:
    /// Sorts and merges what was added since the last question.
    void Merge() const;

    mutable std::vector<std::pair<std::int64_t, std::int64_t>> m_spans;  // first, end
    mutable bool m_bMerged = true;
};
