#pragma once
// GPT partitions from the entry array.
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace partition {

/// Partitions shorter than this many sectors are not listed: small system partitions (EFI,
/// reserved, boot) are not worth a scan of their own.
constexpr std::uint64_t kMinGptPartitionSectors = 0x800001;

/// Every used slot of at least kMinGptPartitionSectors of the array the header in LBA 1 (else
/// its backup in the last LBA) places, cut to the device's end; slots that start past the end,
/// or whose last sector lies before the first, are cut or left out. Code 6 without a header.
RESULT AnalyzeBaseGPT(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries);

}  // namespace partition
