#include "engine/core/enumerate/EnumVolume.h"

#include <filesystem>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/VolumeDescription.h"
#include "engine/core/enumerate/DevListSortAlgorithm.h"
#include "engine/core/enumerate/EnumDisk.h"
#include "engine/core/enumerate/GuidText.h"

namespace enumerate {

namespace {

/// The volume's record; null when the medium cannot be described (a GPT GUID that is not
/// GUID text, a device without geometry).
std::unique_ptr<CCollectedVolumeDeviceInfoStruct> FillVolumeInfo(IStorageDevice* pVolume, IStorageDevice* pDisk,
                                                                 CCollectDiskDeviceInfoStruct const& disk,
                                                                 platform::BlockMedium const& medium) {
    auto pInfo = std::make_unique<CCollectedVolumeDeviceInfoStruct>();
    if (!recovery::DescribeVolume(pVolume, CEnumVolume::VolumeName(medium), *pInfo)) return nullptr;
    CopyText(pInfo->szBsdName, medium.kernelName);
    pInfo->u32DeviceId = medium.u32DeviceId;
    CopyText(pInfo->szDevicePath, medium.devicePath);
    pInfo->pParentDisk = pDisk;
    pInfo->u32PartitionNumber = medium.u32PartitionNumber;
    // The kernel's start, kept so that partitions of the table can be matched by position.
    pInfo->u64StartSector = medium.u64StartSector;
    pInfo->u32Mounted = medium.mountPath.empty() ? 0 : 1;
    if (disk.u32PartitionScheme == PARTITION_SCHEME_GPT) {
        if (!medium.partitionTypeGuid.empty() && !ParseGuidText(medium.partitionTypeGuid, pInfo->partitionTypeGuid))
            return nullptr;
        if (!medium.partitionUuid.empty() && !ParseGuidText(medium.partitionUuid, pInfo->uniquePartitionGuid))
            return nullptr;
    } else if (disk.u32PartitionScheme == PARTITION_SCHEME_APM) {
        CopyText(pInfo->szApmPartitionType, medium.apmType);
    }
    return pInfo;
}

}  // namespace

std::string CEnumVolume::VolumeName(platform::BlockMedium const& medium) {
    if (!medium.label.empty()) return medium.label;
    std::string const last = std::filesystem::path(medium.mountPath).filename().string();
    if (!last.empty()) return last;
    if (medium.mountPath == "/") return medium.mountPath;
    return medium.kernelName;
}

void CEnumVolume::ExecEnum(platform::IBlockDeviceFinder& finder, IStorageDevice* pDisk,
                           std::vector<std::unique_ptr<IStorageDevice>>& volumes) {
    auto* pDiskData = pDisk ? dynamic_cast<IDiskDeviceData*>(pDisk->GetPrivateData()) : nullptr;
    CCollectDiskDeviceInfoStruct const* pDiskInfo = pDiskData ? pDiskData->GetDiskInfo() : nullptr;
    if (!pDiskInfo) return;
    for (platform::BlockMedium const& medium : finder.VolumesOf(pDiskInfo->szBsdName)) {
        std::unique_ptr<IStorageDevice> pVolume(CreateVolumeDevice(medium.devicePath.c_str()));
        if (!pVolume || !pVolume->Open()) continue;
        auto pInfo = FillVolumeInfo(pVolume.get(), pDisk, *pDiskInfo, medium);
        if (!pInfo) continue;
        IVolumeDeviceData* pData = CreateVolumeDeviceData(pInfo.release());
        if (!pData) continue;
        pVolume->SetPrivateData(pData);
        volumes.push_back(std::move(pVolume));
    }
    SortDeviceList(volumes);
}

}  // namespace enumerate
