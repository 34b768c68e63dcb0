#pragma once
// Sector size and count as the description records state them, for the devices that adopt them.
#include <cstdint>
#include <optional>

class IStorageDeviceData;

namespace engine {

struct SectorGeometry {
    std::uint32_t u32SectorSize = 0;
    std::int64_t s64TotalSectors = 0;
};

/// Reads the geometry from one kind of record; null for another kind, no record data, or values
/// no device could have (a sector size that is not a power of two in 512..64 KiB, a negative count).
using RecordGeometryReader = std::optional<SectorGeometry> (*)(IStorageDeviceData* pData);

std::optional<SectorGeometry> DiskRecordGeometry(IStorageDeviceData* pData);
std::optional<SectorGeometry> VolumeRecordGeometry(IStorageDeviceData* pData);
std::optional<SectorGeometry> PartitionRecordGeometry(IStorageDeviceData* pData);

}  // namespace engine
