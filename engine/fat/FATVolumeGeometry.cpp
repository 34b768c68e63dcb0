#include "engine/fat/FATVolumeGeometry.h"

#include <algorithm>

#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDBR.h"

FATVolumeGeometry FATVolumeGeometry::FromBootSector(CTempFATDBR const& bootSector, std::uint64_t u64DeviceSectors) {
    FATVolumeGeometry geometry;
    geometry.eType = bootSector.GetFileSystemType();
    geometry.u32SectorSize = bootSector.GetBytesPerSector();
    geometry.u32SectorsPerCluster = std::max<std::uint32_t>(1, bootSector.GetSectorsperCluster());
    geometry.u64FirstDataSector = bootSector.GetFirstDataSector();
    geometry.u32RootSectors = bootSector.GetRootDirSectors();
    geometry.u32RootCluster = bootSector.GetRootDirStartCluster();
    if (fat::HasFixedRoot(geometry.eType)) {
        geometry.u64RootSector = geometry.u64FirstDataSector - geometry.u32RootSectors;
    } else {
        geometry.u64RootSector = geometry.ClusterToSector(std::max<std::uint32_t>(2, geometry.u32RootCluster));
    }
    geometry.u64TotalSectors = std::min(bootSector.GetTotalSectors(), u64DeviceSectors);
    // The boot sector's count, not the device's: on a partial image the table still names the
    // clusters the image lacks, and those are unreadable data, not a broken table.
    if (bootSector.GetTotalSectors() > geometry.u64FirstDataSector) {
        std::uint64_t const u64Clusters =
            (bootSector.GetTotalSectors() - geometry.u64FirstDataSector) / geometry.u32SectorsPerCluster;
        geometry.u32Clusters = static_cast<std::uint32_t>(std::min(u64Clusters, fat::MaxClusterCount(geometry.eType)));
    }
    return geometry;
}
