#include "engine/core/device/VolumeDevice.h"

#include <new>

IStorageDevice* CreateVolumeDevice(char const* pszPath) {
    return new (std::nothrow) CVolumeDevice(pszPath ? pszPath : "");
}
