#include "engine/core/partition/BaseGPTAnalyzer.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "engine/IStorageDevice.h"
#include "engine/core/partition/Gpt.h"
#include "engine/core/partition/PartitionListing.h"

namespace partition {

RESULT AnalyzeBaseGPT(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    int const iSectorSize = pDisk->GetSectorSize();
    if (iSectorSize < 512) return ENGINE_RESULT(kModulePartitionTable, kCodePartitionSmallSector);
    // 16 KiB of entries: 32 sectors of 512 bytes, 4 of 4096.
    std::uint64_t const u64ArraySectors = (kGptEntryArrayBytes + static_cast<std::uint64_t>(iSectorSize) - 1) /
                                          static_cast<std::uint64_t>(iSectorSize);
    RESULT error = kResultSuccess;
    auto array = ReadSectors(pDisk, kGptEntryArrayLba, u64ArraySectors, error);
    if (!array) return error;

    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    for (GptEntry const& slot : ParseGptEntries(engine::ByteView(*array))) {
        std::optional<std::uint64_t> count;
        if (slot.u64LastLba >= slot.u64FirstLba && slot.u64LastLba != std::numeric_limits<std::uint64_t>::max())
            count = slot.u64LastLba - slot.u64FirstLba + 1;
        PartitionEntry listed;
        listed.u32PartitionIndex = slot.u32Index;
        std::copy_n(slot.typeGuid, 16, listed.partitionTypeGuid);
        std::copy_n(slot.uniqueGuid, 16, listed.uniquePartitionGuid);
        if (AppendOnDevice(entries, listed, slot.u64FirstLba, count, u64DeviceSectors) &&
            entries.back().u64SectorCount < kMinGptPartitionSectors)
            entries.pop_back();
    }
    return kResultSuccess;
}

}  // namespace partition
