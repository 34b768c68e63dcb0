// The complete HFS+ search over arbitrary sectors: volume headers (every piece of a sector),
// journal structures and B-tree nodes tested, volumes located from their headers and opened on
// windows of the disk, catalog records placed, held and handed over at the end. The first input
// byte picks the sector size (512 or 4096) and the block size, so that nodes cross block ends at
// every place; the rest is the disk. Nothing may read outside its buffer, hang, or grow without
// bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzedDiskSearch.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/hfsplus/complete/HfsPlusCompleteSearch.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size == 0) return 0;
    CHFSPlusCompleteFileSystemSearchController searcher;
    if (!SearchFuzzedDisk(searcher, pData, size, (pData[0] & 0x80) != 0 ? 4096 : 512, 64)) return 0;
    int const iCount = searcher.GetSearchedPartitionInfo(nullptr, 0);
    std::vector<CSearchedPartitionInfo*> partitions(static_cast<std::size_t>(iCount), nullptr);
    if (searcher.GetSearchedPartitionInfo(partitions.data(), iCount) != iCount) __builtin_trap();
    for (CSearchedPartitionInfo* pPartition : partitions) {
        if (pPartition == nullptr || pPartition->m_u32SectorsPerCluster == 0) __builtin_trap();
        delete pPartition;
    }
    return 0;
}
