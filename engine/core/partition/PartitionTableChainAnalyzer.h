#pragma once
// The MBR with its chain of extended boot records.
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace partition {

/// Logical partitions (and EBRs) followed before a chain is refused with code 6.
constexpr std::size_t kMaxLogicalPartitions = 256;

/// Primary entries as indexes 1-4, logical partitions from 5 in chain order. Code 6 for a
/// missing signature, a bad boot indicator, two links in one EBR, an EBR reached twice or a
/// chain longer than kMaxLogicalPartitions; the entries listed so far stay.
RESULT AnalyzePartitionTableChain(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries);

}  // namespace partition
