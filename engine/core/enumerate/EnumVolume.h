#pragma once
// The volume finder: the volumes the system knows on one disk, opened read-only and described.
#include <memory>
#include <vector>

#include "platform/BlockDeviceFinder.h"

class IStorageDevice;

namespace enumerate {

class CEnumVolume {
public:
    /// Appends every volume of `pDisk` that opens and can be described, then sorts. A disk
    /// without a partition table is its own volume.
    static void ExecEnum(platform::IBlockDeviceFinder& finder, IStorageDevice* pDisk,
                         std::vector<std::unique_ptr<IStorageDevice>>& volumes);

    /// The name shown for a volume: its label, else the last part of its mount path, else its
    /// kernel name.
    static std::string VolumeName(platform::BlockMedium const& medium);
};

}  // namespace enumerate
