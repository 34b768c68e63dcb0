#include "engine/core/partition/BaseGPTAnalyzer.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "engine/IStorageDevice.h"
#include "engine/core/partition/Gpt.h"
#include "engine/core/partition/PartitionListing.h"

namespace partition {

namespace {

/// The primary header, else the backup in the last sector; null with code 6 when neither holds.
std::optional<GptHeader> ReadHeader(IStorageDevice* pDisk, RESULT& error) {
    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    for (std::uint64_t const u64Lba : {kGptHeaderLba, u64DeviceSectors - 1}) {
        if (u64Lba >= u64DeviceSectors) continue;
        auto sector = ReadSectors(pDisk, u64Lba, 1, error);
        if (!sector) return std::nullopt;
        if (auto header = ParseGptHeader(engine::ByteView(*sector))) return header;
    }
    error = ENGINE_RESULT(kModulePartitionTable, kCodePartitionBadTable);
    return std::nullopt;
}

}  // namespace

RESULT AnalyzeBaseGPT(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) {
    entries.clear();
    if (!pDisk) return ENGINE_RESULT(kModulePartitionTable, kCodeBadArgument);
    int const iSectorSize = pDisk->GetSectorSize();
    if (iSectorSize < 512) return ENGINE_RESULT(kModulePartitionTable, kCodePartitionSmallSector);
    RESULT error = kResultSuccess;
    auto header = ReadHeader(pDisk, error);
    if (!header) return error;
    if (header->u32EntryCount == 0) return kResultSuccess;
    // At most 128 entries of 4 KiB: the product is small, and the count of sectors with it.
    std::uint64_t const u64ArrayBytes = std::uint64_t{header->u32EntryCount} * header->u32EntryBytes;
    std::uint64_t const u64ArraySectors =
        (u64ArrayBytes + static_cast<std::uint64_t>(iSectorSize) - 1) / static_cast<std::uint64_t>(iSectorSize);
    auto array = ReadSectors(pDisk, header->u64EntryArrayLba, u64ArraySectors, error);
    if (!array) return error;

    std::uint64_t const u64DeviceSectors = DeviceSectors(pDisk);
    for (GptEntry const& slot : ParseGptEntries(engine::ByteView(*array), header->u32EntryCount, header->u32EntryBytes)) {
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
