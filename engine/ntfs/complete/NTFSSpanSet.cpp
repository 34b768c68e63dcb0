#include "engine/ntfs/complete/NTFSSpanSet.h"

#include <algorithm>

void CNTFSSpanSet::Add(std::int64_t s64First, std::int64_t s64End) {
    if (s64End <= s64First) return;
    m_spans.emplace_back(s64First, s64End);
    m_bMerged = false;
}

void CNTFSSpanSet::Merge() const {
    if (m_bMerged) return;
    std::sort(m_spans.begin(), m_spans.end());
    std::size_t merged = 0;
    for (auto const& span : m_spans) {
        if (merged != 0 && span.first <= m_spans[merged - 1].second)
            m_spans[merged - 1].second = std::max(m_spans[merged - 1].second, span.second);
        else
            m_spans[merged++] = span;
    }
    m_spans.resize(merged);
    m_bMerged = true;
}

bool CNTFSSpanSet::Overlaps(std::int64_t s64First, std::int64_t s64End) const {
    if (s64End <= s64First) return false;
    Merge();
    // The first span that ends past s64First is the only one that may reach into the stretch.
    auto const it = std::upper_bound(m_spans.begin(), m_spans.end(), s64First,
                                     [](std::int64_t s64At, auto const& span) { return s64At < span.second; });
    return it != m_spans.end() && it->first < s64End;
}
