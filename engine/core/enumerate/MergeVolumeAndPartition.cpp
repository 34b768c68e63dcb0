#include "engine/core/enumerate/MergeVolumeAndPartition.h"

#include <algorithm>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/enumerate/VolumePartitionConverter.h"

namespace enumerate {

bool CMergeVolumeAndPartition::IsSameDevice(IStorageDevice* pVolume, IStorageDevice* pPartition) {
    auto* pVolumeData = dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData());
    auto* pPartitionData = dynamic_cast<IPartitionDeviceData*>(pPartition->GetPrivateData());
    CCollectedVolumeDeviceInfoStruct const* pV = pVolumeData ? pVolumeData->GetVolumeInfo() : nullptr;
    CCollectedPartitionDeviceInfoStruct const* pP = pPartitionData ? pPartitionData->GetPartitionInfo() : nullptr;
    if (!pV || !pP || pV->s64SectorSize != pP->s64SectorSize || pV->s64SectorSize <= 0) return false;
    // The kernel reports where each of its partitions starts: a volume elsewhere is another one.
    if (pV->u64StartSector != pP->u64StartSector) return false;
    if (pV->s64TotalSectors == pP->s64TotalSectors) return true;
    std::uint64_t const u64Difference = pV->s64TotalSectors > pP->s64TotalSectors
                                            ? static_cast<std::uint64_t>(pV->s64TotalSectors - pP->s64TotalSectors)
                                            : static_cast<std::uint64_t>(pP->s64TotalSectors - pV->s64TotalSectors);
    std::uint64_t const u64SectorSize = static_cast<std::uint64_t>(pV->s64SectorSize);
    return u64Difference < kSameDeviceSlackBytes / u64SectorSize + 1 &&
           u64Difference * u64SectorSize < kSameDeviceSlackBytes;
}

RESULT CMergeVolumeAndPartition::MergeAsVolume(std::vector<IStorageDevice*> const& volumes,
                                               std::vector<IStorageDevice*> const& partitions,
                                               std::vector<std::unique_ptr<IStorageDevice>>& virtualVolumes,
                                               std::vector<IStorageDevice*>& merged) {
    virtualVolumes.clear();
    merged = volumes;
    for (IStorageDevice* pPartition : partitions) {
        bool const bCovered = std::any_of(volumes.begin(), volumes.end(), [pPartition](IStorageDevice* pVolume) {
            return IsSameDevice(pVolume, pPartition);
        });
        if (bCovered) continue;
        std::unique_ptr<IStorageDevice> pVolume;
        RESULT const result = CVolumePartitionConverter::ConvertPartition2Volume(pPartition, pVolume);
        if (Failed(result)) {
            virtualVolumes.clear();
            merged.clear();
            return result;
        }
        merged.push_back(pVolume.get());
        virtualVolumes.push_back(std::move(pVolume));
    }
    return kResultSuccess;
}

}  // namespace enumerate
