#pragma once
// What the three table walkers share: whole-sector reads and the one rule that turns an entry's
// start and length from disk into a listed partition that lies on the device.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace partition {

/// `u64Count` sectors from `u64First`; null with the device's own last error in `error` when
/// the read fails, or code 6 when the request cannot be sized.
std::optional<std::vector<std::uint8_t>> ReadSectors(IStorageDevice* pDevice, std::uint64_t u64First,
                                                     std::uint64_t u64Count, RESULT& error);

/// The device's length in sectors; 0 when it reports a negative one.
std::uint64_t DeviceSectors(IStorageDevice* pDevice);

/// Sets the entry's start and count and appends it, unless it starts at or past the device's
/// end. A count that is absent (not positive on disk, or overflowing) or that runs past the
/// end is cut to the device's end. False when the entry was left out.
bool AppendOnDevice(std::vector<PartitionEntry>& entries, PartitionEntry entry, std::uint64_t u64Start,
                    std::optional<std::uint64_t> count, std::uint64_t u64DeviceSectors);

}  // namespace partition
