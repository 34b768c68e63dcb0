#include "engine/core/device/PartitionDevice.h"

#include <new>

IStorageDevice* CreatePartitionDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors) {
    return new (std::nothrow) CPartitionDevice(pParent, s64StartSector, s64TotalSectors);
}
