#include "engine/fat/FATForeignClusters.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/IStorageDevice.h"
#include "engine/core/partition/BootSector.h"

void CFATForeignClusters::Hold(std::uint64_t u64First, std::uint64_t u64End) {
    // Clusters are 32-bit numbers: every span fits the set's signed points.
    m_held.Add(static_cast<std::int64_t>(u64First), static_cast<std::int64_t>(u64End));
}

void CFATForeignClusters::AddGuess(std::uint64_t u64First, std::uint64_t u64End, std::uint32_t u32FileFirst) {
    if (u64End <= u64First) return;
    auto at = m_guesses.upper_bound(u64First);
    if (at != m_guesses.begin() && std::prev(at)->second.u64End > u64First) at = std::prev(at);
    if (at == m_guesses.end() || at->first >= u64End) {
        m_guesses.emplace_hint(at, u64First, Guess{u64End, u32FileFirst});
        return;
    }
    for (; at != m_guesses.end() && at->first < u64End; at = m_guesses.erase(at))
        if (IsImage(at->second.u32FileFirst)) Hold(at->first, at->second.u64End);
    if (IsImage(u32FileFirst)) Hold(u64First, u64End);
}

void CFATForeignClusters::AddOtherVolume(std::int64_t s64First, std::int64_t s64End) {
    if (s64First >= 0) m_volumes.Add(s64First, s64End);
}

void CFATForeignClusters::AddLiveFile(IDataRunList& runs, bool bChainKnown) {
    DataRun const* pFirst = runs.GetFirst();
    if (pFirst == nullptr || pFirst->s64Start < 0) return;
    auto const u32FileFirst = static_cast<std::uint32_t>(pFirst->s64Start + 2);
    for (DataRun const* pRun = pFirst; pRun != nullptr; pRun = runs.GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) continue;
        std::uint64_t const u64First = static_cast<std::uint64_t>(pRun->s64Start) + 2;
        std::uint64_t const u64End = u64First + static_cast<std::uint64_t>(pRun->s64Length);
        if (bChainKnown)
            Hold(u64First, u64End);
        else
            AddGuess(u64First, u64End, u32FileFirst);
    }
}

bool CFATForeignClusters::Holds(std::uint64_t u64Cluster) {
    if (!m_volumes.Empty() && m_volumes.Holds(static_cast<std::int64_t>(m_geometry.ClusterToSector(u64Cluster))))
        return true;
    if (m_held.Holds(static_cast<std::int64_t>(u64Cluster))) return true;
    auto const after = m_guesses.upper_bound(u64Cluster);
    if (after == m_guesses.begin()) return false;
    auto const guess = std::prev(after);
    return u64Cluster < guess->second.u64End && IsImage(guess->second.u32FileFirst);
}

bool CFATForeignClusters::HoldsSector(std::int64_t s64Sector) {
    if (s64Sector < 0) return false;
    auto const u64Sector = static_cast<std::uint64_t>(s64Sector);
    if (m_volumes.Holds(s64Sector)) return true;
    if (u64Sector < m_geometry.u64FirstDataSector || m_geometry.u32SectorsPerCluster == 0) return false;
    return Holds((u64Sector - m_geometry.u64FirstDataSector) / m_geometry.u32SectorsPerCluster + 2);
}

bool CFATForeignClusters::IsImage(std::uint32_t u32Cluster) {
    auto const [it, bNew] = m_images.emplace(u32Cluster, false);
    if (!bNew || m_pDevice == nullptr) return it->second;
    std::vector<std::uint8_t> sector(m_geometry.u32SectorSize);
    it->second =
        m_pDevice->ReadSector(sector.data(), static_cast<long long>(m_geometry.ClusterToSector(u32Cluster)), 1) &&
        partition::BootSectorFileSystem(engine::ByteView(sector.data(), sector.size()), m_geometry.u32SectorSize) !=
            FILE_SYSTEM_UNRECOGNISED;
    return it->second;
}
