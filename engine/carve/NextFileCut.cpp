#include "engine/carve/NextFileCut.h"

#include <algorithm>

#include "engine/carve/RawFileInfo.h"
#include "engine/core/bytes/CheckedMath.h"

void CNextFileCut::Found(std::uint64_t u64Sector) {
    if (m_starts.empty() || m_starts.back() < u64Sector) m_starts.push_back(u64Sector);
}

bool CNextFileCut::Settle(CRawFileInfo& info, std::uint32_t u32SectorSize, std::uint64_t u64ReadEnd, bool bAllRead,
                          std::uint64_t u64DeviceSectors) const {
    if (u32SectorSize == 0) return true;
    if (u64DeviceSectors != 0) {
        // What the device holds from the file's start: a header or a directory that reaches
        // further tells nothing true of the file.
        std::uint64_t const u64Room =
            info.m_u64StartSector < u64DeviceSectors
                ? engine::CheckedMul<std::uint64_t>(u64DeviceSectors - info.m_u64StartSector, u32SectorSize)
                      .value_or(UINT64_MAX)
                : 0;
        if (info.m_u64Size > u64Room) {
            info.m_bSizeGuessed = true;
            info.m_u64Size = u64Room;
        }
        if (info.m_u64Borne > u64Room) info.m_u64Borne = 0;
    }
    if (!info.m_bSizeGuessed) return true;
    // The first sector that starts at or past the borne-out bytes: a file found there is no
    // part of this one (a thumbnail or a strip inside it starts before).
    std::uint64_t const u64Borne = (std::max<std::uint64_t>(info.m_u64Borne, 1) + u32SectorSize - 1) / u32SectorSize;
    std::uint64_t const u64From = info.m_u64StartSector + u64Borne;
    auto const next = std::lower_bound(m_starts.begin(), m_starts.end(), u64From);
    if (next != m_starts.end()) {
        std::uint64_t const u64Cut =
            info.m_bCutToBorne ? info.m_u64Borne : (*next - info.m_u64StartSector) * u32SectorSize;
        info.m_u64Size = std::min(info.m_u64Size, u64Cut);
        info.m_bSizeGuessed = false;
        return true;
    }
    std::uint64_t const u64GuessEnd = info.m_u64StartSector + (info.m_u64Size + u32SectorSize - 1) / u32SectorSize;
    if (bAllRead || u64ReadEnd >= u64GuessEnd) {
        info.m_bSizeGuessed = false;
        return true;
    }
    return false;
}

std::optional<std::uint64_t> CNextFileCut::FoundFrom(std::uint64_t u64Sector) const {
    auto const next = std::lower_bound(m_starts.begin(), m_starts.end(), u64Sector);
    return next != m_starts.end() ? std::optional<std::uint64_t>(*next) : std::nullopt;
}

void CNextFileCut::ForgetBefore(std::uint64_t u64Sector) {
    while (!m_starts.empty() && m_starts.front() < u64Sector) m_starts.pop_front();
}
