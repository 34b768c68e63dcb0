#include "engine/core/partition/BaseGPTAnalyzer.h"

#include <algorithm>
#include <iterator>
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

/// A GUID's text form in the on-disk order: the first three fields little-endian, the rest as written.
struct OnDiskGuid {
    std::uint8_t bytes[16] = {};
    constexpr explicit OnDiskGuid(char const (&text)[37]) {
        constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        int iDigit = 0;
        std::uint8_t textOrder[16] = {};
        for (char const c : text) {
            if (c == '-' || c == '\0') continue;
            int const iValue = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            textOrder[iDigit / 2] = static_cast<std::uint8_t>(textOrder[iDigit / 2] << 4 | iValue);
            ++iDigit;
        }
        for (int i = 0; i < 16; ++i) bytes[i] = textOrder[kOrder[i]];
    }
};

constexpr OnDiskGuid kSystemTypes[] = {
    OnDiskGuid("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"),  // EFI System
    OnDiskGuid("E3C9E316-0B5C-4DB8-817D-F92DF00215AE"),  // Microsoft Reserved
    OnDiskGuid("DE94BBA4-06D1-4D40-A16A-BFD50179D6AC"),  // Windows Recovery
    OnDiskGuid("426F6F74-0000-11AA-AA11-00306543ECAC"),  // Apple Boot
    OnDiskGuid("21686148-6449-6E6F-744E-656564454649"),  // BIOS boot
};

}  // namespace

bool IsGptSystemType(std::uint8_t const (&typeGuid)[16]) {
    return std::any_of(std::begin(kSystemTypes), std::end(kSystemTypes), [&](OnDiskGuid const& type) {
        return std::equal(std::begin(type.bytes), std::end(type.bytes), typeGuid);
    });
}

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
    for (GptEntry const& slot :
         ParseGptEntries(engine::ByteView(*array), header->u32EntryCount, header->u32EntryBytes)) {
        std::optional<std::uint64_t> count;
        if (slot.u64LastLba >= slot.u64FirstLba && slot.u64LastLba != std::numeric_limits<std::uint64_t>::max())
            count = slot.u64LastLba - slot.u64FirstLba + 1;
        PartitionEntry listed;
        listed.u32PartitionIndex = slot.u32Index;
        std::copy_n(slot.typeGuid, 16, listed.partitionTypeGuid);
        std::copy_n(slot.uniqueGuid, 16, listed.uniquePartitionGuid);
        if (AppendOnDevice(entries, listed, slot.u64FirstLba, count, u64DeviceSectors) &&
            entries.back().u64SectorCount < kMinGptPartitionSectors && IsGptSystemType(listed.partitionTypeGuid))
            entries.pop_back();
    }
    return kResultSuccess;
}

}  // namespace partition
