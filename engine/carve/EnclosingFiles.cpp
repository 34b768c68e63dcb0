#include "engine/carve/EnclosingFiles.h"

#include <algorithm>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

bool HoldsOwnStarts(CRawFileInfo const& info) {
    return info.m_pAnalyser != nullptr && info.m_pAnalyser->HoldsOwnStartsWithin();
}

std::uint64_t StartByte(CRawFileInfo const& info, std::uint32_t u32SectorSize) {
    return engine::CheckedMul<std::uint64_t>(info.m_u64StartSector, u32SectorSize).value_or(UINT64_MAX);
}

/// The end noted for the analyser; null when none is.
template <typename Ends>
auto* EndOf(Ends& ends, IRawFileAnalyser const* pAnalyser) {
    auto const it =
        std::find_if(ends.begin(), ends.end(), [pAnalyser](auto const& end) { return end.first == pAnalyser; });
    return it != ends.end() ? &it->second : nullptr;
}

}  // namespace

bool CEnclosingFiles::Encloses(CRawFileInfo const& info, std::uint32_t u32SectorSize) const {
    if (!HoldsOwnStarts(info)) return false;
    std::uint64_t const* pEnd = EndOf(m_ends, info.m_pAnalyser);
    return pEnd != nullptr && StartByte(info, u32SectorSize) < *pEnd;
}

void CEnclosingFiles::Sized(CRawFileInfo const& info, std::uint32_t u32SectorSize) {
    if (!HoldsOwnStarts(info) || info.m_u64Size == 0) return;
    std::uint64_t const u64Borne = info.m_bSizeGuessed ? info.m_u64Borne : info.m_u64Size;
    std::uint64_t const u64End = engine::CheckedAdd(StartByte(info, u32SectorSize), u64Borne).value_or(UINT64_MAX);
    if (std::uint64_t* pEnd = EndOf(m_ends, info.m_pAnalyser))
        *pEnd = std::max(*pEnd, u64End);
    else
        m_ends.emplace_back(info.m_pAnalyser, u64End);
}
