#include "engine/ntfs/NTFSFileReaderEx.h"

#include "engine/IStorageDevice.h"
#include "engine/core/node/FileNode.h"

bool CFileReaderEx::Open(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo const& partition) {
    Close();
    m_partition = partition;
    return m_reader.Open(pDevice, pNode, &m_partition) != 0;
}

bool CFileReaderEx::Open(IStorageDevice* pDevice, CFileNode* pNode, long long s64PartitionStart, std::uint32_t u32SectorsPerCluster) {
    if (pDevice == nullptr || pDevice->GetSectorSize() <= 0) return false;
    CSearchedPartitionInfo partition(static_cast<std::uint32_t>(pDevice->GetSectorSize()));
    partition.m_u32FileSystemType = FILE_SYSTEM_NTFS;
    partition.m_s64StartSector = s64PartitionStart;
    partition.m_u32SectorsPerCluster = u32SectorsPerCluster;
    return Open(pDevice, pNode, partition);
}

bool CFileReaderEx::Read(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Read) {
    u32Read = 0;
    long long const s64Size = m_reader.GetDataSize();
    if (s64Offset < 0) return false;
    if (s64Offset >= s64Size) return true;
    return m_reader.Read(s64Offset, destination, u32Read);
}
