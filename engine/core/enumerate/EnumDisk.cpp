#include "engine/core/enumerate/EnumDisk.h"

#include <cstdio>

#include "engine/IStorageDevice.h"
#include "engine/core/enumerate/DevListSortAlgorithm.h"

namespace enumerate {

namespace {
constexpr std::int64_t kSectorsPerCylinder = 255 * 63;
}

std::unique_ptr<CCollectDiskDeviceInfoStruct> CEnumDisk::FillDiskInfo(platform::BlockMedium const& medium) {
    if (medium.u32SectorSize == 0 || medium.u64TotalSectors == 0 ||
        medium.u64TotalSectors > static_cast<std::uint64_t>(INT64_MAX))
        return nullptr;
    auto pInfo = std::make_unique<CCollectDiskDeviceInfoStruct>();
    pInfo->u32BusType = medium.u32BusType;
    pInfo->u32PartitionScheme = medium.u32Scheme;
    pInfo->u32Writable = medium.bWritable ? 1 : 0;
    CopyText(pInfo->szName, medium.mediaName);
    CopyText(pInfo->szBsdName, medium.kernelName);
    pInfo->s64SectorSize = medium.u32SectorSize;
    pInfo->s64TotalSectors = static_cast<std::int64_t>(medium.u64TotalSectors);
    pInfo->s64Cylinders = pInfo->s64TotalSectors / kSectorsPerCylinder;
    pInfo->u32DeviceId = medium.u32DeviceId;
    CopyText(pInfo->szDevicePath, medium.devicePath);
    return pInfo;
}

void CEnumDisk::ExecEnum(platform::IBlockDeviceFinder& finder, std::vector<std::unique_ptr<IStorageDevice>>& disks) {
    for (platform::BlockMedium const& medium : finder.WholeDisks()) {
        auto pInfo = FillDiskInfo(medium);
        if (!pInfo) continue;
        std::fprintf(stderr, "CIOKitFunc::BSDName2DevPath = %s\n", medium.devicePath.c_str());
        std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(medium.devicePath.c_str()));
        if (!pDisk || !pDisk->Open()) continue;
        IDiskDeviceData* pData = CreateDiskDeviceData(pInfo.release());
        if (!pData) continue;
        pDisk->SetPrivateData(pData);
        disks.push_back(std::move(pDisk));
    }
    SortDeviceList(disks);
}

}  // namespace enumerate
