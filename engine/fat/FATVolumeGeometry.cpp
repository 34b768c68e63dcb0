#include "engine/fat/FATVolumeGeometry.h"

#include <algorithm>

#include "engine/fat/ondisk/TempFATDBR.h"

FATVolumeGeometry FATVolumeGeometry::FromBootSector(CTempFATDBR const& bootSector, std::uint64_t u64DeviceSectors) {
    FATVolumeGeometry geometry;
    geometry.eType = bootSector.GetFileSystemType();
    geometry.u32SectorSize = bootSector.GetBytesPerSector();
    geometry.u32SectorsPerCluster = std::max<std::uint32_t>(1, bootSector.GetSectorsperCluster());
    geometry.u64FirstDataSector = bootSector.GetFirstDataSector();
    geometry.u32RootSectors = bootSector.GetRootDirSectors();
    geometry.u32RootCluster = bootSector.GetRootDirStartCluster();
    if (geometry.eType == FILE_SYSTEM_FAT16) {
        geometry.u64RootSector = geometry.u64FirstDataSector - geometry.u32RootSectors;
    } else {
        geometry.u64RootSector = geometry.ClusterToSector(std::max<std::uint32_t>(2, geometry.u32RootCluster));
    }
    geometry.u64TotalSectors = std::min(bootSector.GetTotalSectors(), u64DeviceSectors);
    // The boot sector's count, not the device's: on a partial image the table still names the
    // clusters the image lacks, and those are unreadable data, not a broken table.
    if (bootSector.GetTotalSectors() > geometry.u64FirstDataSector) {
        std::uint64_t const u64Clusters = (bootSector.GetTotalSectors() - geometry.u64FirstDataSector) / geometry.u32SectorsPerCluster;
        // Cluster numbers are 28 bits wide in FAT32 and 16 in FAT16.
        std::uint64_t const u64Limit = geometry.eType == FILE_SYSTEM_FAT16 ? 0xFFF5 : 0x0FFFFFF5;
        geometry.u32Clusters = static_cast<std::uint32_t>(std::min(u64Clusters, u64Limit));
    }
    return geometry;
}
