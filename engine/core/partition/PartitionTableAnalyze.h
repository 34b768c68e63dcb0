#pragma once
// The partition-table analyser: finds the scheme of a usable whole disk and hands it to the
// walker of that scheme.
#include <cstdint>
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

namespace partition {

/// The scheme sector 0 shows: GPT (protective MBR), then APM ("ER"), then MBR (0x55 0xAA),
/// else none. Code 8 for a sector size below 512; a failed read answers the device's error.
RESULT GetDiskType(IStorageDevice* pDisk, enumDiskPartitionScheme& eScheme);

/// Where the volumes the device shows as its own start: sector 0 for a device that is one
/// volume (its first sector a boot sector or an HFS+ header), else the start of every partition
/// its table lists, small ones too; none for a device without either. Nothing is refused here.
std::vector<std::int64_t> ListedStarts(IStorageDevice* pDevice);

}  // namespace partition

class CPartitionTableAnalyze final : public IPartitionTableAnalyze {
public:
    /// Code 5 for a null device; 3 for one that is not a disk, an unusable disk or a dynamic
    /// disk; 7 when the disk carries no disk record. A disk without a table lists nothing.
    RESULT AnalyzePartitionTable(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) override;
};
