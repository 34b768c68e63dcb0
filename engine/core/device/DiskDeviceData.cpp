#include "engine/core/device/DiskDeviceData.h"

#include <new>

IDiskDeviceData* CreateDiskDeviceData(CCollectDiskDeviceInfoStruct* pInfo) {
    return new (std::nothrow) CDiskDeviceData(pInfo);
}
