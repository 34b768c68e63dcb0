#pragma once
// Where the parts of one FAT12, FAT16 or FAT32 volume lie, in the device's sectors from the volume's
// first sector, and how clusters map to sectors. Every product is taken in 64 bits.
#include <cstdint>

#include "engine/Types.h"

class CTempFATDBR;

/// A folder chain is read in chunks of at most this many sectors of consecutive clusters: the
/// children builder reads by them and the folder walk's bound counts them.
constexpr std::uint32_t kFATFolderChunkSectors = 128;

struct FATVolumeGeometry {
    FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
    std::uint32_t u32SectorSize = 512;
    std::uint32_t u32SectorsPerCluster = 1;
    std::uint64_t u64FirstDataSector = 0;  // where cluster 2 begins
    std::uint64_t u64RootSector = 0;       // the root folder's first sector
    std::uint32_t u32RootSectors = 0;      // FAT12 and FAT16 root folder
    std::uint32_t u32RootCluster = 0;      // FAT32 root folder
    std::uint64_t u64TotalSectors = 0;     // the boot sector's, cut to the device's end
    std::uint32_t u32Clusters = 0;         // clusters 2 to u32Clusters + 1 exist (the boot sector's
                                           // count: some may lie past the device's end)

    /// The geometry a valid boot sector gives for a device of `u64DeviceSectors` sectors.
    static FATVolumeGeometry FromBootSector(CTempFATDBR const& bootSector, std::uint64_t u64DeviceSectors);

    bool ClusterExists(std::uint64_t u64Cluster) const { return u64Cluster >= 2 && u64Cluster - 2 < u32Clusters; }
    /// The cluster's first sector; 0 for clusters below 2.
    std::uint64_t ClusterToSector(std::uint64_t u64Cluster) const {
        return u64Cluster < 2 ? 0 : (u64Cluster - 2) * u32SectorsPerCluster + u64FirstDataSector;
    }
    std::uint64_t ClusterBytes() const { return std::uint64_t{u32SectorSize} * u32SectorsPerCluster; }
};
