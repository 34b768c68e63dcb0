#include "engine/core/device/DiskDevice.h"

#include <new>

IStorageDevice* CreateDiskDevice(char const* pszPath) { return new (std::nothrow) CDiskDevice(pszPath ? pszPath : ""); }
