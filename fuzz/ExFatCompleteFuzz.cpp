// The complete exFAT search over arbitrary sectors: every sector classified (boot sector, FAT
// start, up-case start, directory sectors joined across runs), then the partitions built and
// their trees handed over. The first input byte picks the block size, so that runs and entry
// sets cross block ends at every place; the rest is the disk. Nothing may read outside its
// buffer, hang, or grow without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"
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
    CExFatCompleteSearch searcher;
    testkit::RunCompleteSearch(searcher, device, builder, iBlockSectors);
    for (IFileNode* pNode : builder.Nodes())
        if (pNode->GetFileName() == nullptr) __builtin_trap();
    return 0;
}
