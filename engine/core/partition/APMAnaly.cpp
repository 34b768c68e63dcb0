#include "engine/core/partition/APMAnaly.h"

#include <algorithm>

#include "engine/IStorageDevice.h"
#include "engine/core/partition/Apm.h"
#include "engine/core/partition/PartitionListing.h"

namespace partition {

namespace {

RESULT BadTable() { return ENGINE_RESULT(kModulePartitionTable, kCodePartitionBadTable); }

}  // namespace

RESULT AnalyzeApmPartitions(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    int const iSectorSize = pDisk->GetSectorSize();
    if (iSectorSize <= 0 || iSectorSize % 512 != 0)
        return ENGINE_RESULT(kModulePartitionTable, kCodePartitionNotUsable);

    RESULT error = kResultSuccess;
    auto first = ReadSectors(pDisk, 0, 1, error);
    if (!first) return error;
    auto descriptor = ParseApmDriverDescriptor(engine::ByteView(*first));
    if (!descriptor || descriptor->u16BlockSize == 0 || descriptor->u16BlockSize % iSectorSize != 0) return BadTable();
    std::uint64_t const u64SectorsPerBlock = descriptor->u16BlockSize / static_cast<std::uint32_t>(iSectorSize);

    auto mapStart = ReadSectors(pDisk, u64SectorsPerBlock, 1, error);
    if (!mapStart) return error;
    auto firstEntry = ParseApmMapEntry(engine::ByteView(*mapStart));
    if (!firstEntry || firstEntry->u32MapEntries > kApmMaxEntries) return BadTable();

    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    for (std::uint32_t n = 1; n <= firstEntry->u32MapEntries; ++n) {
        auto block = ReadSectors(pDisk, n * u64SectorsPerBlock, 1, error);
        if (!block) return error;
        auto entry = ParseApmMapEntry(engine::ByteView(*block));
        if (!entry) continue;
        PartitionEntry listed;
        listed.u32PartitionIndex = n;
        std::copy_n(entry->szType, sizeof(listed.szPartitionTypeName), listed.szPartitionTypeName);
        // Block numbers are 32 bits and a block at most 64 KiB: the products fit in 64 bits.
        AppendOnDevice(entries, listed, entry->u32StartBlock * u64SectorsPerBlock,
                       entry->u32BlockCount * u64SectorsPerBlock, u64DeviceSectors);
    }
    return kResultSuccess;
}

}  // namespace partition
