#include "engine/exfat/complete/FileSet.h"

#include <algorithm>
#include <bit>

#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {

/// Linked runs come in pairs and chains; no chain is longer than this.
constexpr std::size_t kMaxLinkedRuns = 1u << 16;

bool IsFolder(_tagFileBaseInfo const& info) { return (info.u16Attributes & exfat::kAttributeFolder) != 0; }

/// Whether the entry's length tells anything of its clusters: not when it is 0, nor for a folder
/// whose length was bounded because no folder can be that long (damage).
bool LengthTells(_tagFileBaseInfo const& info) { return info.u64DataLength != 0 && info.u8LengthBounded == 0; }

/// The largest power of two dividing `u32Value`; 1 for 0 or an odd value.
std::uint64_t LargestPowerOfTwoDividing(std::uint32_t u32Value) {
    return u32Value == 0 ? 1 : std::uint64_t{1} << std::countr_zero(u32Value);
}

}  // namespace

void CFileSet::AddEntrySet(_tagFileBaseInfo info) {
    if (exfat::NamesCluster(info.u32FirstCluster)) {
        m_u32MinCluster = std::min(m_u32MinCluster, info.u32FirstCluster);
        m_u32MaxCluster = std::max(m_u32MaxCluster, info.u32FirstCluster);
    }
    // A folder's length is a whole number of clusters.
    if (IsFolder(info) && info.u8InUse != 0 && LengthTells(info))
        m_u64MaxClusterBytes =
            std::min(m_u64MaxClusterBytes, LargestPowerOfTwoDividing(static_cast<std::uint32_t>(info.u64DataLength)));
    if (info.u8InUse == 0) {
        m_deleted.push_back(std::move(info));
        return;
    }
    if (IsFolder(info) && exfat::NamesCluster(info.u32FirstCluster)) m_folders.push_back(info.u32FirstCluster);
    auto const at = std::upper_bound(
        m_live.begin(), m_live.end(), info.u32FirstCluster,
        [](std::uint32_t u32Cluster, _tagFileBaseInfo const& other) { return u32Cluster < other.u32FirstCluster; });
    m_live.insert(at, std::move(info));
}

void CFileSet::RecordSector(std::uint64_t u64Sector) {
    if (m_u32SectorCount == 0) {
        m_u64FirstSector = u64Sector;
        m_u32SectorCount = 1;
    } else if (u64Sector >= m_u64FirstSector && u64Sector - m_u64FirstSector < UINT32_MAX) {
        m_u32SectorCount = static_cast<std::uint32_t>(u64Sector + 1 - m_u64FirstSector);
    }
}

void CFileSet::RaiseLowestRoot(std::uint32_t u32Cluster) {
    if (u32Cluster >= m_u32LowestRootCluster && u32Cluster < exfat::kLastClusterNumber)
        m_u32LowestRootCluster = u32Cluster + 1;
}

void CFileSet::SetBitmapInfo(std::uint32_t u32Cluster, std::uint64_t u64Length) {
    m_u32Flags |= kFlagBitmap;
    RaiseLowestRoot(u32Cluster);
    m_u64BitmapClusters = std::min<std::uint64_t>(u64Length * 8, exfat::kLastClusterNumber);
}

void CFileSet::SetUpcaseTableInfo(std::uint32_t u32Cluster, std::uint64_t u64Length) {
    m_u32Flags |= kFlagUpcase;
    RaiseLowestRoot(u32Cluster);
    m_u32UpcaseCluster = u32Cluster;
    m_u64UpcaseLength = u64Length;
}

void CFileSet::SetNext(CFileSet* pNext) {
    if (pNext == nullptr || pNext == this) return;
    m_pNext = pNext;
    pNext->m_pLast = this;
    std::uint64_t const u64Max = std::min(m_u64MaxClusterBytes, pNext->m_u64MaxClusterBytes);
    std::uint64_t const u64Min = std::max(m_u64MinClusterBytes, pNext->m_u64MinClusterBytes);
    m_u64MaxClusterBytes = pNext->m_u64MaxClusterBytes = u64Max;
    m_u64MinClusterBytes = pNext->m_u64MinClusterBytes = u64Min;
}

void CFileSet::CalculateClusterSize() {
    for (std::size_t i = 1; i < m_live.size(); ++i) {
        _tagFileBaseInfo const& before = m_live[i - 1];
        _tagFileBaseInfo const& at = m_live[i];
        if (before.u8NoFatChain == 0 || !LengthTells(before) || !exfat::NamesCluster(before.u32FirstCluster) ||
            !exfat::NamesCluster(at.u32FirstCluster))
            continue;
        std::uint64_t const u64Distance = at.u32FirstCluster - before.u32FirstCluster;
        if (u64Distance == 0) continue;
        std::uint64_t const u64Needed = std::bit_ceil((before.u64DataLength + u64Distance - 1) / u64Distance);
        m_u64MinClusterBytes = std::max(m_u64MinClusterBytes, std::min(u64Needed, kHighestClusterBytes * 2));
    }
}

void CFileSet::ForEachLinked(std::function<void(CFileSet const&)> const& visit) const {
    CFileSet const* pAt = this;
    for (std::size_t steps = 0; pAt != nullptr && steps < kMaxLinkedRuns; ++steps) {
        visit(*pAt);
        pAt = pAt->m_pNext;
        if (pAt == this) break;
    }
}

bool CFileSet::GetAndCheckClusterSet(TakenClusters& claims, std::uint64_t u64BytesPerCluster) const {
    if (u64BytesPerCluster == 0) return false;
    bool bSound = true;
    ForEachLinked([&](CFileSet const& set) {
        for (_tagFileBaseInfo const& info : set.m_live) {
            if (!bSound) return;
            if (!exfat::NamesCluster(info.u32FirstCluster)) continue;
            std::uint64_t u64Clusters = 1;
            if (info.u8NoFatChain != 0 && LengthTells(info))
                u64Clusters = (info.u64DataLength - 1) / u64BytesPerCluster + 1;
            if (info.u32FirstCluster + u64Clusters - 1 > exfat::kLastClusterNumber ||
                !claims.TryAdd(info.u32FirstCluster, u64Clusters))
                bSound = false;
        }
    });
    return bSound;
}

void CFileSet::GetFolder(std::vector<std::uint32_t>& out) const {
    ForEachLinked([&](CFileSet const& set) { out.insert(out.end(), set.m_folders.begin(), set.m_folders.end()); });
}
