#include "engine/core/enumerate/VolumeTableFacts.h"

#include <algorithm>
#include <cstring>

#include "engine/IPartitionTableAnalyze.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"

namespace enumerate {

namespace {

template <std::size_t N>
bool IsBlank(std::uint8_t const (&bytes)[N]) {
    return std::all_of(bytes, bytes + N, [](std::uint8_t u8) { return u8 == 0; });
}

template <std::size_t N>
void FillIfBlank(std::uint8_t (&target)[N], std::uint8_t const (&source)[N]) {
    if (IsBlank(target)) std::memcpy(target, source, N);
}

CCollectedPartitionDeviceInfoStruct const* PartitionAt(std::vector<IStorageDevice*> const& partitions,
                                                       CCollectedVolumeDeviceInfoStruct const& volume) {
    for (IStorageDevice* pPartition : partitions) {
        auto* pData = pPartition ? dynamic_cast<IPartitionDeviceData*>(pPartition->GetPrivateData()) : nullptr;
        CCollectedPartitionDeviceInfoStruct const* pInfo = pData ? pData->GetPartitionInfo() : nullptr;
        if (pInfo && pInfo->u64StartSector == volume.u64StartSector && pInfo->s64SectorSize == volume.s64SectorSize)
            return pInfo;
    }
    return nullptr;
}

}  // namespace

void FillVolumesFromTable(std::vector<IStorageDevice*> const& volumes, std::vector<IStorageDevice*> const& partitions) {
    for (IStorageDevice* pVolume : volumes) {
        auto* pData = pVolume ? dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData()) : nullptr;
        CCollectedVolumeDeviceInfoStruct* pInfo = pData ? pData->GetVolumeInfo() : nullptr;
        if (!pInfo || pInfo->u32PartitionNumber == kWholeDiskPartitionIndex) continue;
        CCollectedPartitionDeviceInfoStruct const* pEntry = PartitionAt(partitions, *pInfo);
        if (!pEntry) continue;
        // The partition's record holds GUIDs only on GPT disks and a type name only on APM
        // disks, so copying what it has never gives a volume facts of another scheme.
        FillIfBlank(pInfo->partitionTypeGuid, pEntry->partitionTypeGuid);
        FillIfBlank(pInfo->uniquePartitionGuid, pEntry->uniquePartitionGuid);
        if (pInfo->szApmPartitionType[0] == '\0')
            std::memcpy(pInfo->szApmPartitionType, pEntry->szApmPartitionType, sizeof pInfo->szApmPartitionType);
    }
}

}  // namespace enumerate
