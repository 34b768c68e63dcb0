#pragma once
// The disk finder: every usable whole disk, opened read-only and described.
#include <memory>
#include <vector>

#include "engine/IStorageDeviceData.h"
#include "platform/BlockDeviceFinder.h"

class IStorageDevice;

namespace enumerate {

class CEnumDisk {
public:
    /// Appends every whole disk the finder reports that opens and can be described, then sorts.
    static void ExecEnum(platform::IBlockDeviceFinder& finder, std::vector<std::unique_ptr<IStorageDevice>>& disks);

    /// The disk record of a medium; null when it has no sector size or no sectors.
    static std::unique_ptr<CCollectDiskDeviceInfoStruct> FillDiskInfo(platform::BlockMedium const& medium);
};

/// Copies `text` into a fixed-size record field, cut to fit and always terminated.
template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
    std::size_t const length = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, length);
    field[length] = '\0';
}

}  // namespace enumerate
