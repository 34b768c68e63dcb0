#pragma once
// The label of a FAT16 or FAT32 volume, read from the label entry of its root folder.
#include <cstdint>
#include <string>

class CTempFATDBR;
class IStorageDevice;

class CFATVolume {
public:
    explicit CFATVolume(IStorageDevice* pDevice) : m_pDevice(pDevice) {}

    /// The label of the volume at `u64Start`; empty when there is none or it cannot be read.
    /// The FAT32 root chain is followed with a visited bound, so a looping chain ends.
    std::string GetPartitionLabel(std::uint64_t u64Start, CTempFATDBR const& bootSector) const;
    /// The first sector of a cluster (at least 2); all bits set for other types.
    static std::uint64_t ConvertClusterToSector(std::uint64_t u64Start, CTempFATDBR const& bootSector,
                                                std::uint64_t u64Cluster);

private:
    /// 1 label found, 0 none here but read on, -1 stop (unreadable, or an invalid entry).
    int LabelInSectors(std::uint64_t u64Sector, std::uint32_t u32Count, std::string& label) const;

    IStorageDevice* m_pDevice;
};
