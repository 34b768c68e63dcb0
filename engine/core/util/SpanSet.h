#pragma once
// Stretches of a number line (device sectors, clusters, MFT VCNs) given in any order and any
// overlap, merged once into sorted disjoint spans: each question is then a binary search.
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
    bool Empty() const { return m_spans.empty(); }
    /// Joins the spans closest to each other until at most `count` remain: what they hold only
    /// grows, so that a set kept in a bounded space still holds every point it held.
    void CoarsenTo(std::size_t count);

private:
    /// Sorts and merges what was added since the last question.
    void Merge() const;

    mutable std::vector<Span> m_spans;
    mutable bool m_bMerged = true;
};
