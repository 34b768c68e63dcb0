#pragma once
// The partition finder: a partition device for every entry of a disk's own partition table.
#include <memory>
#include <vector>

#include "engine/IPartitionTableAnalyze.h"

class IStorageDevice;

namespace enumerate {

class CEnumPartition {
public:
    /// Appends a described partition device for every entry of GetPartEntryList, then sorts; a
    /// table that cannot be read is no error.
    /// Code 2 when a device cannot be made; a device that fails to open stops the walk with its
    /// error, keeping (unsorted) the devices appended so far.
    static RESULT ExecEnum(IStorageDevice* pDisk, std::vector<std::unique_ptr<IStorageDevice>>& partitions);

    /// The table's entries as the finder uses them. When the analysis fails (it is logged),
    /// the entries listed before the fault; with none and the table refused as broken (code 6),
    /// the whole-disk entry when the first sector is a sound FAT, exFAT or NTFS boot sector,
    /// else nothing. The whole-disk entry too when the analysis lists nothing.
    static RESULT GetPartEntryList(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries);
};

}  // namespace enumerate
