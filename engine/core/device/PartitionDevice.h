#pragma once
// A partition-table entry: a window onto its disk; accepts a partition record.
#include "engine/core/device/PartitionWindowDevice.h"

class CPartitionDevice final : public CPartitionWindowDevice {
public:
    CPartitionDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors)
        : CPartitionWindowDevice(pParent, s64StartSector, s64TotalSectors, STORAGE_DEVICE_PARTITION,
                                 &engine::PartitionRecordGeometry) {}
};
