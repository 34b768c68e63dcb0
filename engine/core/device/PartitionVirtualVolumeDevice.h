#pragma once
// An unmounted partition shown as a volume, so that it can be scanned like one: a window onto
// the partition's disk; accepts a volume record.
#include "engine/core/device/PartitionWindowDevice.h"

class CPartitionVirtualVolumeDevice final : public CPartitionWindowDevice {
public:
    CPartitionVirtualVolumeDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors)
        : CPartitionWindowDevice(pParent, s64StartSector, s64TotalSectors, STORAGE_DEVICE_VOLUME,
                                 &engine::VolumeRecordGeometry) {}
};
