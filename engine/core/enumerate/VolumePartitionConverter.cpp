#include "engine/core/enumerate/VolumePartitionConverter.h"

#include <cstring>

#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"

namespace enumerate {

CCollectedVolumeDeviceInfoStruct CVolumePartitionConverter::PartitionInfo2VolumeInfo(
    CCollectedPartitionDeviceInfoStruct const& partition) {
    CCollectedVolumeDeviceInfoStruct volume;
    volume.u32State = partition.u32State;
    volume.u32Reserved1 = partition.u32Reserved1;
    volume.u32Reserved2 = partition.u32Reserved2;
    volume.u32FileSystemType = partition.u32FileSystemType;
    std::memcpy(volume.szLabel, partition.szLabel, sizeof volume.szLabel);
    volume.s64SectorSize = partition.s64SectorSize;
    volume.s64TotalSectors = partition.s64TotalSectors;
    volume.u32DeviceId = partition.u32DeviceId;
    volume.pParentDisk = partition.pParentDisk;
    volume.u32PartitionNumber = partition.u32PartitionIndex;
    std::memcpy(volume.partitionTypeGuid, partition.partitionTypeGuid, sizeof volume.partitionTypeGuid);
    std::memcpy(volume.uniquePartitionGuid, partition.uniquePartitionGuid, sizeof volume.uniquePartitionGuid);
    std::memcpy(volume.szApmPartitionType, partition.szApmPartitionType, sizeof volume.szApmPartitionType);
    volume.u64StartSector = partition.u64StartSector;
    volume.u32Mounted = 0;
    return volume;
}

RESULT CVolumePartitionConverter::ConvertPartition2Volume(IStorageDevice* pPartition,
                                                          std::unique_ptr<IStorageDevice>& pVolume) {
    pVolume.reset();
    if (!pPartition || pPartition->GetType() != STORAGE_DEVICE_PARTITION)
        return ENGINE_RESULT(kModuleEnumDevice, kCodeEnumUnknownDisk);
    auto* pData = dynamic_cast<IPartitionDeviceData*>(pPartition->GetPrivateData());
    CCollectedPartitionDeviceInfoStruct const* pInfo = pData ? pData->GetPartitionInfo() : nullptr;
    if (!pInfo) return ENGINE_RESULT(kModuleEnumDevice, kCodeMissingObject);

    std::unique_ptr<IStorageDevice> pNew(CreatePartitionVirtualVolumeDevice(pPartition));
    if (!pNew) return ENGINE_RESULT(kModuleEnumDevice, kCodeEnumNotInitialised);
    if (!pNew->Open()) {
        RESULT const error = pNew->GetLastError();
        if (Failed(error)) return error;
        pVolume = std::move(pNew);
        return kResultSuccess;
    }
    IVolumeDeviceData* pVolumeData =
        CreateVolumeDeviceData(new CCollectedVolumeDeviceInfoStruct(PartitionInfo2VolumeInfo(*pInfo)));
    if (!pVolumeData) return ENGINE_RESULT(kModuleEnumDevice, kCodeEnumNotInitialised);
    pNew->SetPrivateData(pVolumeData);
    pVolume = std::move(pNew);
    return kResultSuccess;
}

}  // namespace enumerate
