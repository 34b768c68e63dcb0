#pragma once
// GPT partitions from the entry array.
#include <cstdint>
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace partition {

/// System partitions (EFI System, Microsoft Reserved, Windows Recovery, Apple Boot, BIOS boot)
/// shorter than this many sectors are not listed: they hold no user files. Data partitions are
/// listed whatever their size: a small card or stick holds photographs too.
constexpr std::uint64_t kMinGptPartitionSectors = 0x800001;

/// Whether a slot's type (on-disk byte order) is one of the system types above.
bool IsGptSystemType(std::uint8_t const (&typeGuid)[16]);

/// Every used slot of the array the header in LBA 1 (else its backup in the last LBA) places,
/// cut to the device's end, but small system partitions; slots that start past the end, or
/// whose last sector lies before the first, are cut or left out. Code 6 without a header.
RESULT AnalyzeBaseGPT(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries);

}  // namespace partition
