#pragma once
// Stretches of a number line (device sectors, clusters, MFT VCNs) given in any order and any
// overlap, merged into sorted disjoint spans: each question is then a binary search. Stretches
// added after the first merge are kept aside; a walk that adds and asks in turns (a folder walk
// noting each file's clusters) has them looked through one by one until that has cost as much as
// merging them would, so it never sorts the whole set at every question. A set shared between
// threads is merged first (any question but Overlaps and Holds merges it).
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class CSpanSet {
public:
    using Span = std::pair<std::int64_t, std::int64_t>;  // first, end

    /// [s64First, s64End); an empty or reversed stretch is none.
    void Add(std::int64_t s64First, std::int64_t s64End);
    void Add(CSpanSet const& other);
    /// Whether a span holds `s64At`.
    bool Holds(std::int64_t s64At) const { return Overlaps(s64At, s64At + 1); }
    /// Whether a span holds any of [s64First, s64End).
    bool Overlaps(std::int64_t s64First, std::int64_t s64End) const;
    /// The first point at or after `s64At` that a span holds; none when no span reaches it.
    std::optional<std::int64_t> FirstHeldFrom(std::int64_t s64At) const;
    /// The first point at or after `s64At` that no span holds.
    std::int64_t FirstFreeFrom(std::int64_t s64At) const;
    /// The spans cut to [s64First, s64End).
    CSpanSet Within(std::int64_t s64First, std::int64_t s64End) const;
    /// The sorted, disjoint spans.
    std::vector<Span> const& Spans() const;
    bool Empty() const { return m_spans.empty() && m_added.empty(); }
    /// Joins the spans closest to each other until at most `count` remain: what they hold only
    /// grows, so that a set kept in a bounded space still holds every point it held.
    void CoarsenTo(std::size_t count);

private:
    /// Stretches added are looked through one by one at least this often before they are merged.
    static constexpr std::size_t kMinScans = 64;

    /// Sorts what was added since the last merge and merges it into the spans.
    void Merge() const;

    mutable std::vector<Span> m_spans;  // sorted, disjoint, none touching
    mutable std::vector<Span> m_added;  // since the last merge, in any order
    mutable std::size_t m_scanned = 0;  // stretches of m_added looked through since the last merge
};
