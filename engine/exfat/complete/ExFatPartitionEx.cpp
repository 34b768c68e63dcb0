#include "engine/exfat/complete/ExFatPartitionEx.h"

#include <algorithm>

#include "engine/exfat/complete/FileSet.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"

CExFatPartitionEx::CExFatPartitionEx(CExFatDBR const& bootSector, std::uint64_t u64PartitionStart,
                                     std::uint32_t u32Flags)
    : m_u32Flags(u32Flags),
      m_u32FatCount(bootSector.GetNumberOfFat()),
      m_u32FatLength(bootSector.GetSectorsPerFat()),
      m_u64FatOffset(bootSector.GetFatStartSector()) {
    SetGeometry(bootSector, u64PartitionStart);
}

CExFatPartitionEx::CExFatPartitionEx(std::uint32_t u32SectorSize, std::uint64_t u64HeapStart,
                                     std::uint32_t u32SectorsPerCluster, std::uint32_t u32Clusters,
                                     std::uint32_t u32RootCluster, std::uint32_t u32Flags)
    : m_u32Flags(u32Flags) {
    SetGeometry(u32SectorSize, u32SectorsPerCluster, u32Clusters, u32RootCluster, u64HeapStart, u64HeapStart,
                std::uint64_t{u32Clusters} * u32SectorsPerCluster);
}

bool CExFatPartitionEx::CheckFatSector(std::uint64_t u64Sector) {
    if (!HasBootSector()) return false;
    if (u64Sector == GetFatStart()) {
        m_u32Flags |= kFlagFirstFat;
        return true;
    }
    if (m_u32FatCount >= 2 && u64Sector == GetFatStart() + m_u32FatLength) {
        m_u32Flags |= kFlagSecondFat;
        return true;
    }
    return false;
}

std::uint64_t CExFatPartitionEx::GetEnd() const {
    std::uint64_t const u64HeapEnd = GetHeapStart() + GetHeapSectors();
    return HasBootSector() ? std::min(u64HeapEnd, GetPartitionStart() + GetTotalSectors()) : u64HeapEnd;
}

bool CExFatPartitionEx::IsAligned(std::uint64_t u64Sector) const {
    return u64Sector >= GetHeapStart() && (u64Sector - GetHeapStart()) % GetSectorsPerCluster() == 0;
}

bool CExFatPartitionEx::ContainsSet(CFileSet const& set) const {
    std::uint64_t const u64First = set.GetFirstSector();
    return u64First >= GetHeapStart() && u64First + set.GetSectorCounts() <= GetEnd();
}

std::uint32_t CExFatPartitionEx::ClusterAt(std::uint64_t u64Sector) const {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>((u64Sector - GetHeapStart()) / GetSectorsPerCluster() + 2, UINT32_MAX));
}

void CExFatPartitionEx::Mark(CFileSet& set, std::uint32_t u32Score) {
    set.SetMatched();
    m_matched.insert(&set);
    m_scores[set.GetFirstSector()] = u32Score;
}

void CExFatPartitionEx::CalcPartitionParam() {
    std::uint64_t const u64End = !HasBootSector() && !m_aligned.empty() ? m_aligned.back() + 1 : GetEnd();
    for (std::uint64_t u64Sector : m_other)
        if (u64Sector < u64End) m_aligned.push_back(u64Sector);
    m_other.clear();
    std::sort(m_aligned.begin(), m_aligned.end());
    m_aligned.erase(std::unique(m_aligned.begin(), m_aligned.end()), m_aligned.end());
}
