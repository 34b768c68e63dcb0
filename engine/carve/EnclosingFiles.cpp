#include "engine/carve/EnclosingFiles.h"

#include <algorithm>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

std::uint64_t StartByte(CRawFileInfo const& info, std::uint32_t u32SectorSize) {
    return engine::CheckedMul<std::uint64_t>(info.m_u64StartSector, u32SectorSize).value_or(UINT64_MAX);
}

/// The boundaries noted for the analyser; null when none are.
template <typename Boundaries>
auto* BoundariesOf(Boundaries& boundaries, IRawFileAnalyser const* pAnalyser) {
    auto const it = std::find_if(boundaries.begin(), boundaries.end(),
                                 [pAnalyser](auto const& entry) { return entry.first == pAnalyser; });
    return it != boundaries.end() ? &it->second : nullptr;
}

}  // namespace

bool CEnclosingFiles::Encloses(CRawFileInfo const& info, std::uint32_t u32SectorSize) {
    if (info.m_pAnalyser == nullptr) return false;
    std::set<std::uint64_t>* pBoundaries = BoundariesOf(m_boundaries, info.m_pAnalyser);
    if (pBoundaries == nullptr) return false;
    std::uint64_t const u64Start = StartByte(info, u32SectorSize);
    // Starts come in ascending order: boundaries before this one will not be asked about again.
    pBoundaries->erase(pBoundaries->begin(), pBoundaries->lower_bound(u64Start));
    return pBoundaries->contains(u64Start);
}

void CEnclosingFiles::Sized(CRawFileInfo& info, std::uint32_t u32SectorSize) {
    std::vector<std::uint64_t> const members = std::move(info.m_memberStarts);
    info.m_memberStarts.clear();
    if (info.m_pAnalyser == nullptr || members.empty() || u32SectorSize == 0) return;
    std::set<std::uint64_t>* pBoundaries = BoundariesOf(m_boundaries, info.m_pAnalyser);
    if (pBoundaries == nullptr)
        pBoundaries = &m_boundaries.emplace_back(info.m_pAnalyser, std::set<std::uint64_t>{}).second;
    std::uint64_t const u64Start = StartByte(info, u32SectorSize);
    for (std::uint64_t const u64Member : members) {
        std::optional<std::uint64_t> const at = engine::CheckedAdd(u64Start, u64Member);
        // Only a header that starts a sector is ever found as a start.
        if (u64Member != 0 && at && *at % u32SectorSize == 0) pBoundaries->insert(pBoundaries->end(), *at);
    }
}
