#pragma once
// Apple Partition Map partitions.
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace partition {

/// Every map entry, the map's own and free space included, with its type name. Code 3 for a
/// sector size that is not a positive multiple of 512; code 6 for a block size that is not a
/// positive multiple of the sector size, a bad signature, or more than 31 entries.
RESULT AnalyzeApmPartitions(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries);

}  // namespace partition
