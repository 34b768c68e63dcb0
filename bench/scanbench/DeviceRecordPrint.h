#pragma once
// One line per description record, every field as key=value, for comparison with lsblk,
// sfdisk, sgdisk and parted.
#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace scanbench {

/// The record a device carries (disk, partition or volume), prefixed with its kind.
void PrintDeviceRecord(IStorageDevice* pDevice, char const* pszIndent);
void PrintPartitionEntry(PartitionEntry const& entry);

}  // namespace scanbench
