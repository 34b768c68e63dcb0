#include "engine/core/partition/PartitionListing.h"

#include <limits>

#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"

namespace partition {

std::optional<std::vector<std::uint8_t>> ReadSectors(IStorageDevice* pDevice, std::uint64_t u64First,
                                                     std::uint64_t u64Count, RESULT& error) {
    constexpr std::uint64_t kMaxSigned = static_cast<std::uint64_t>(std::numeric_limits<long long>::max());
    int const iSectorSize = pDevice->GetSectorSize();
    auto const bytes =
        engine::CheckedMul<std::uint64_t>(u64Count, static_cast<std::uint64_t>(iSectorSize > 0 ? iSectorSize : 0));
    if (iSectorSize <= 0 || u64Count == 0 || u64First > kMaxSigned || u64Count > kMaxSigned || !bytes) {
        error = ENGINE_RESULT(kModulePartitionTable, kCodePartitionBadTable);
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(*bytes));
    if (!pDevice->ReadSector(buffer.data(), static_cast<long long>(u64First), static_cast<long long>(u64Count))) {
        error = pDevice->GetLastError();
        if (!Failed(error)) error = ENGINE_RESULT(kModulePartitionTable, kCodeIoFailure);
        return std::nullopt;
    }
    return buffer;
}

std::uint64_t DeviceSectors(IStorageDevice* pDevice) {
    long long const s64Total = pDevice->GetTotalSectors();
    return s64Total > 0 ? static_cast<std::uint64_t>(s64Total) : 0;
}

bool AppendOnDevice(std::vector<PartitionEntry>& entries, PartitionEntry entry, std::uint64_t u64Start,
                    std::optional<std::uint64_t> count, std::uint64_t u64DeviceSectors) {
    if (u64Start >= u64DeviceSectors) return false;
    std::uint64_t const u64Room = u64DeviceSectors - u64Start;
    entry.u64StartSector = u64Start;
    entry.u64SectorCount = (!count || *count == 0 || *count > u64Room) ? u64Room : *count;
    entries.push_back(entry);
    return true;
}

}  // namespace partition
