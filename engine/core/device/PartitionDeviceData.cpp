#include "engine/core/device/PartitionDeviceData.h"

#include <new>

IPartitionDeviceData* CreatePartitionDeviceData(CCollectedPartitionDeviceInfoStruct* pInfo) {
    return new (std::nothrow) CPartitionDeviceData(pInfo);
}
