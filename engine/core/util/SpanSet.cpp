#include "engine/core/util/SpanSet.h"

#include <algorithm>

void CSpanSet::Add(std::int64_t s64First, std::int64_t s64End) {
    if (s64End <= s64First) return;
    m_added.emplace_back(s64First, s64End);
}

void CSpanSet::Add(CSpanSet const& other) {
    for (Span const& span : other.Spans()) Add(span.first, span.second);
}

void CSpanSet::Merge() const {
    m_scanned = 0;
    if (m_added.empty()) return;
    std::sort(m_added.begin(), m_added.end());
    if (m_spans.empty()) {
        m_spans.swap(m_added);
    } else {
        // The spans are sorted already: one linear merge, not a sort of the whole set.
        auto const kept = static_cast<std::ptrdiff_t>(m_spans.size());
        m_spans.insert(m_spans.end(), m_added.begin(), m_added.end());
        m_added.clear();
        std::inplace_merge(m_spans.begin(), m_spans.begin() + kept, m_spans.end());
    }
    std::size_t merged = 0;
    for (auto const& span : m_spans) {
        if (merged != 0 && span.first <= m_spans[merged - 1].second)
            m_spans[merged - 1].second = std::max(m_spans[merged - 1].second, span.second);
        else
            m_spans[merged++] = span;
    }
    m_spans.resize(merged);
}

std::vector<CSpanSet::Span> const& CSpanSet::Spans() const {
    Merge();
    return m_spans;
}

bool CSpanSet::Overlaps(std::int64_t s64First, std::int64_t s64End) const {
    if (s64End <= s64First) return false;
    if (!m_added.empty()) {
        // The first question merges what was added, as every other question does; later ones
        // merge once looking through the stretches added since has cost as much as a merge.
        m_scanned += m_added.size();
        if (m_spans.empty() || m_scanned > m_spans.size() + kMinScans) Merge();
    }
    if (std::any_of(m_added.begin(), m_added.end(),
                    [&](Span const& span) { return span.first < s64End && s64First < span.second; }))
        return true;
    // The first span that ends past s64First is the only one that may reach into the stretch.
    auto const it = std::upper_bound(m_spans.begin(), m_spans.end(), s64First,
                                     [](std::int64_t s64At, auto const& span) { return s64At < span.second; });
    return it != m_spans.end() && it->first < s64End;
}

std::optional<std::int64_t> CSpanSet::FirstHeldFrom(std::int64_t s64At) const {
    Merge();
    auto const it = std::upper_bound(m_spans.begin(), m_spans.end(), s64At,
                                     [](std::int64_t s64Point, auto const& span) { return s64Point < span.second; });
    if (it == m_spans.end()) return std::nullopt;
    return std::max(it->first, s64At);
}

std::int64_t CSpanSet::FirstFreeFrom(std::int64_t s64At) const {
    Merge();
    auto const it = std::upper_bound(m_spans.begin(), m_spans.end(), s64At,
                                     [](std::int64_t s64Point, auto const& span) { return s64Point < span.second; });
    // Spans are merged: the end of the one holding the point is free.
    return it != m_spans.end() && it->first <= s64At ? it->second : s64At;
}

CSpanSet CSpanSet::Within(std::int64_t s64First, std::int64_t s64End) const {
    CSpanSet cut;
    Merge();
    auto it = std::upper_bound(m_spans.begin(), m_spans.end(), s64First,
                               [](std::int64_t s64Point, auto const& span) { return s64Point < span.second; });
    for (; it != m_spans.end() && it->first < s64End; ++it)
        cut.Add(std::max(it->first, s64First), std::min(it->second, s64End));
    return cut;
}

void CSpanSet::CoarsenTo(std::size_t count) {
    Merge();
    if (m_spans.size() <= count || m_spans.empty()) return;
    // The gaps at or below the widest one of those to close are closed: a single sort.
    std::vector<std::int64_t> gaps;
    gaps.reserve(m_spans.size() - 1);
    for (std::size_t i = 1; i < m_spans.size(); ++i) gaps.push_back(m_spans[i].first - m_spans[i - 1].second);
    std::size_t const closing = m_spans.size() - std::max<std::size_t>(count, 1);
    std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(closing - 1), gaps.end());
    std::int64_t const s64Widest = gaps[closing - 1];
    std::size_t merged = 0;
    for (std::size_t i = 0; i < m_spans.size(); ++i) {
        if (merged != 0 && m_spans[i].first - m_spans[merged - 1].second <= s64Widest)
            m_spans[merged - 1].second = m_spans[i].second;
        else
            m_spans[merged++] = m_spans[i];
    }
    m_spans.resize(merged);
}
