#include "engine/core/enumerate/EnumDevice.h"

#include "engine/IStorageDevice.h"
#include "engine/core/enumerate/EnumDisk.h"
#include "engine/core/enumerate/EnumPartition.h"
#include "engine/core/enumerate/EnumVolume.h"

namespace enumerate {

RESULT CEnumDevice::EnumDiskDevice(DeviceList& disks) {
    disks.clear();
    CEnumDisk::ExecEnum(*m_pFinder, disks);
    return kResultSuccess;
}

RESULT CEnumDevice::EnumPartitionDevice(IStorageDevice* pDisk, DeviceList& partitions) {
    partitions.clear();
    return CEnumPartition::ExecEnum(pDisk, partitions);
}

RESULT CEnumDevice::EnumVolumeDevice(IStorageDevice* pDisk, DeviceList& volumes) {
    volumes.clear();
    if (pDisk) CEnumVolume::ExecEnum(*m_pFinder, pDisk, volumes);
    return kResultSuccess;
}

}  // namespace enumerate
