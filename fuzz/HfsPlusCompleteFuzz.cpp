// The complete HFS+ search over arbitrary sectors: volume headers (every piece of a sector),
// journal structures and B-tree nodes tested, volumes located from their headers and opened on
// windows of the disk, catalog records placed, held and handed over at the end. The first input
// byte picks the sector size (512 or 4096) and the block size, so that nodes cross block ends at
// every place; the rest is the disk. Nothing may read outside its buffer, hang, or grow without
// bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/IFileNode.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/complete/HfsPlusCompleteSearch.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/RecordingTreeBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    constexpr std::size_t kMaxDisk = std::size_t{4} << 20;
    if (size < 1 + 512 || size > 1 + kMaxDisk) return 0;
    int const iSectorSize = (pData[0] & 0x80) != 0 ? 4096 : 512;
    int const iBlockSectors = 1 + pData[0] % 64;
    CMemoryDevice device(std::vector<std::uint8_t>(pData + 1, pData + size), iSectorSize, STORAGE_DEVICE_DISK);
    device.Open();
    testkit::RecordingTreeBuilder builder;
    CHFSPlusCompleteFileSystemSearchController searcher;
    testkit::RunCompleteSearch(searcher, device, builder, iBlockSectors);
    for (IFileNode* pNode : builder.Nodes())
        if (pNode->GetFileName() == nullptr) __builtin_trap();
    int const iCount = searcher.GetSearchedPartitionInfo(nullptr, 0);
    std::vector<CSearchedPartitionInfo*> partitions(static_cast<std::size_t>(iCount), nullptr);
    if (searcher.GetSearchedPartitionInfo(partitions.data(), iCount) != iCount) __builtin_trap();
    for (CSearchedPartitionInfo* pPartition : partitions) {
        if (pPartition == nullptr || pPartition->m_u32SectorsPerCluster == 0) __builtin_trap();
        delete pPartition;
    }
    return 0;
}
