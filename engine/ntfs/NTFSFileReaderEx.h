#pragma once
// Reads a found NTFS file by byte offset, for callers that know the volume only by its start
// sector and cluster size (the recycle-bin name restore reads "$I" index files so). Resident
// data comes from the FILE record; sparse runs read as zeros.
#include <cstdint>
#include <span>

#include "engine/SearchedPartitionInfo.h"
#include "engine/core/copyout/FileReader.h"

class CFileNode;
class IStorageDevice;

class CFileReaderEx {
public:
    /// False without a device or node, for a cluster size of 0, a node of size 0 or one
    /// without runs. The node and device are not owned and must outlive the reader.
    bool Open(IStorageDevice* pDevice, CFileNode* pNode, CSearchedPartitionInfo const& partition);
    /// The volume starts at device sector `s64PartitionStart`; clusters of `u32SectorsPerCluster`
    /// device sectors.
    bool Open(IStorageDevice* pDevice, CFileNode* pNode, long long s64PartitionStart, std::uint32_t u32SectorsPerCluster);
    /// Up to `destination.size()` bytes from `s64Offset`, cut at the file size; `u32Read` says
    /// how many. Nothing (and true) from the end on; false when a read fails.
    bool Read(long long s64Offset, std::span<std::uint8_t> destination, std::uint32_t& u32Read);
    void Close() { m_reader.Close(); }

private:
    CFileReader m_reader;
    CSearchedPartitionInfo m_partition;
};
