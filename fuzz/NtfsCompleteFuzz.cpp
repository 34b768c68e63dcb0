// The complete NTFS search over arbitrary sectors: boot sectors, FILE records, INDX blocks,
// restart and record pages and $AttrDef contents proposing partitions, then scoring and tree
// building over whatever survives. The first input byte picks the block size, so that records
// and pages cross block ends at every place; the rest is the disk. Nothing may read outside
// its buffer, hang, or grow without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/IFileNode.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/complete/NTFSCompleteSearch.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/RecordingTreeBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    constexpr std::size_t kSector = 512;
    constexpr std::size_t kMaxDisk = std::size_t{4} << 20;
    if (size < 1 + kSector || size > 1 + kMaxDisk) return 0;
    int const iBlockSectors = 1 + pData[0] % 16;
    CMemoryDevice device(std::vector<std::uint8_t>(pData + 1, pData + size), static_cast<int>(kSector), STORAGE_DEVICE_DISK);
    device.Open();
    testkit::RecordingTreeBuilder builder;
    CNTFSCompleteSearch searcher;
    testkit::RunCompleteSearch(searcher, device, builder, iBlockSectors);
    for (IFileNode* pNode : builder.Nodes())
        if (pNode->GetFileName() == nullptr) __builtin_trap();
    return 0;
}
