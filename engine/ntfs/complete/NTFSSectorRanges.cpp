#include "engine/ntfs/complete/NTFSSectorRanges.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

void CNTFSSectorRanges::Add(std::uint64_t u64First, std::uint64_t u64Count) {
    if (u64Count == 0) return;
    if (!m_ranges.empty()) {
        Range& last = m_ranges.back();
        std::uint64_t const u64End = last.u64First + last.u64Count;
        if (u64First < u64End) return;  // already held
        if (u64First == u64End) {
            last.u64Count += u64Count;
            return;
        }
    }
    if (m_ranges.size() < kMaxRanges) m_ranges.push_back({u64First, u64Count});
}

std::uint64_t CNTFSSectorRanges::Count(std::uint64_t u64First, std::uint64_t u64Count) const {
    std::uint64_t const u64End = u64First + std::min(u64Count, UINT64_MAX - u64First);
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), u64First,
                               [](std::uint64_t u64Unit, Range const& range) { return u64Unit < range.u64First; });
    if (it != m_ranges.begin()) --it;
    std::uint64_t u64Held = 0;
    for (; it != m_ranges.end() && it->u64First < u64End; ++it) {
        std::uint64_t const u64From = std::max(it->u64First, u64First);
        std::uint64_t const u64To = std::min(it->u64First + it->u64Count, u64End);
        if (u64To > u64From) u64Held += u64To - u64From;
    }
    return u64Held;
}

std::uint64_t CNTFSSectorRanges::CountInRuns(CNTFSDataRunList const& runs, std::int64_t s64Start,
                                             std::uint32_t u32SectorsPerCluster, std::uint32_t u32SectorSize) const {
    std::uint64_t const u64UnitsPerCluster = std::uint64_t{u32SectorsPerCluster} * (u32SectorSize / kUnit);
    std::uint64_t const u64StartUnit =
        static_cast<std::uint64_t>(std::max<std::int64_t>(s64Start, 0)) * (u32SectorSize / kUnit);
    std::uint64_t u64Held = 0;
    for (CDataRun const& run : runs.Runs()) {
        if (run.s64LCN < 0 || run.s64Count <= 0) continue;
        auto const offset =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64LCN), u64UnitsPerCluster);
        auto const first = offset ? engine::CheckedAdd(u64StartUnit, *offset) : std::nullopt;
        auto const count =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(run.s64Count), u64UnitsPerCluster);
        if (first && count) u64Held += Count(*first, *count);
    }
    return u64Held;
}
