#include "engine/fat/FATSearchedPartitionInfo.h"

CFATSearchedPartitionInfo* CFATSearchedPartitionInfo::Clone() const {
    auto* pCopy = new CFATSearchedPartitionInfo(m_u32SectorSize);
    pCopy->m_s64StartSector = m_s64StartSector;
    pCopy->SetStartSector(GetStartSector());
    pCopy->SetTotalSectors(GetTotalSectors());
    pCopy->m_u32FileSystemType = m_u32FileSystemType;
    pCopy->m_u32SectorsPerCluster = m_u32SectorsPerCluster;
    pCopy->m_u16PartitionIndex = m_u16PartitionIndex;
    pCopy->m_u16ReservedSectors = m_u16ReservedSectors;
    pCopy->m_u32SectorsPerFat = m_u32SectorsPerFat;
    pCopy->m_u32TotalClusters = m_u32TotalClusters;
    pCopy->m_u32RootInfo = m_u32RootInfo;
    pCopy->m_u32Flags = m_u32Flags;
    return pCopy;
}
