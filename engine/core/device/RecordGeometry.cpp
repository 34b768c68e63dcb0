#include "engine/core/device/RecordGeometry.h"

#include "engine/IStorageDeviceData.h"
#include "engine/core/bytes/CheckedMath.h"

namespace engine {

namespace {

constexpr std::uint64_t kMinSectorSize = 512;
constexpr std::uint64_t kMaxSectorSize = 64 * 1024;

template <class Record>
std::optional<SectorGeometry> GeometryOf(Record const* pRecord) {
    if (!pRecord || pRecord->s64SectorSize < 0 || pRecord->s64TotalSectors < 0) return std::nullopt;
    auto u64SectorSize = static_cast<std::uint64_t>(pRecord->s64SectorSize);
    if (!IsPowerOfTwoBetween(u64SectorSize, kMinSectorSize, kMaxSectorSize)) return std::nullopt;
    return SectorGeometry{static_cast<std::uint32_t>(u64SectorSize), pRecord->s64TotalSectors};
}

}  // namespace

std::optional<SectorGeometry> DiskRecordGeometry(IStorageDeviceData* pData) {
    auto* pDisk = dynamic_cast<IDiskDeviceData*>(pData);
    return pDisk ? GeometryOf(pDisk->GetDiskInfo()) : std::nullopt;
}

std::optional<SectorGeometry> VolumeRecordGeometry(IStorageDeviceData* pData) {
    auto* pVolume = dynamic_cast<IVolumeDeviceData*>(pData);
    return pVolume ? GeometryOf(pVolume->GetVolumeInfo()) : std::nullopt;
}

std::optional<SectorGeometry> PartitionRecordGeometry(IStorageDeviceData* pData) {
    auto* pPartition = dynamic_cast<IPartitionDeviceData*>(pData);
    return pPartition ? GeometryOf(pPartition->GetPartitionInfo()) : std::nullopt;
}

}  // namespace engine
