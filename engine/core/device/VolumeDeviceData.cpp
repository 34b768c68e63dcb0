#include "engine/core/device/VolumeDeviceData.h"

#include <new>

IVolumeDeviceData* CreateVolumeDeviceData(CCollectedVolumeDeviceInfoStruct* pInfo) {
    return new (std::nothrow) CVolumeDeviceData(pInfo);
}
