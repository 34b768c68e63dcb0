#pragma once
// A partition of the table shown as a volume, so that it can be scanned like one.
#include <memory>

#include "engine/IStorageDeviceData.h"
#include "engine/Result.h"

class IStorageDevice;

namespace enumerate {

class CVolumePartitionConverter {
public:
    /// An opened partition-backed virtual volume over `pPartition`'s disk with a volume record
    /// made from the partition's. Code 5 for a device that is not a partition, 7 for one without
    /// a partition record, 2 when the volume cannot be made; an open failure answers the
    /// device's error, or hands the volume out without a record when that error is a success.
    static RESULT ConvertPartition2Volume(IStorageDevice* pPartition, std::unique_ptr<IStorageDevice>& pVolume);

    static CCollectedVolumeDeviceInfoStruct PartitionInfo2VolumeInfo(
        CCollectedPartitionDeviceInfoStruct const& partition);
};

}  // namespace enumerate
