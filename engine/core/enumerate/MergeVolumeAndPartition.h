#pragma once
// The volume list the user is offered: the system's volumes, then a virtual volume for every
// partition of the table that none of them covers.
#include <memory>
#include <vector>

#include "engine/Result.h"

class IStorageDevice;

namespace enumerate {

/// Sizes may differ by up to 10 MiB: the system and the table do not always agree on a
/// volume's last sectors.
constexpr std::uint64_t kSameDeviceSlackBytes = 0xA00001;

class CMergeVolumeAndPartition {
public:
    /// `merged` receives the volumes in their order, then the new virtual volumes (into
    /// `virtualVolumes`, which owns them) in partition order. The first failed conversion
    /// empties both and answers its code.
    static RESULT MergeAsVolume(std::vector<IStorageDevice*> const& volumes,
                                std::vector<IStorageDevice*> const& partitions,
                                std::vector<std::unique_ptr<IStorageDevice>>& virtualVolumes,
                                std::vector<IStorageDevice*>& merged);

    /// Same sector size, the same start on the disk, and lengths within kSameDeviceSlackBytes.
    static bool IsSameDevice(IStorageDevice* pVolume, IStorageDevice* pPartition);
};

}  // namespace enumerate
