#include "engine/core/device/PartitionVirtualVolumeDevice.h"

#include <cstdint>
#include <limits>
#include <new>

#include "engine/IStorageDeviceData.h"

IStorageDevice* CreatePartitionVirtualVolumeDevice(IStorageDevice* pPartition) {
    if (!pPartition) return nullptr;
    auto* pData = dynamic_cast<IPartitionDeviceData*>(pPartition->GetPrivateData());
    if (!pData) return nullptr;
    CCollectedPartitionDeviceInfoStruct const* pInfo = pData->GetPartitionInfo();
    if (!pInfo || pInfo->u32State != 0 || !pInfo->pParentDisk) return nullptr;
    if (pInfo->u64StartSector > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        pInfo->s64TotalSectors < 0)
        return nullptr;
    return new (std::nothrow) CPartitionVirtualVolumeDevice(
        pInfo->pParentDisk, static_cast<long long>(pInfo->u64StartSector), pInfo->s64TotalSectors);
}
