#pragma once
// The list enumerator behind CEnumDeviceEx: fills each kind of list through its finder.
#include <memory>
#include <vector>

#include "engine/Result.h"
#include "platform/BlockDeviceFinder.h"

class IStorageDevice;

namespace enumerate {

using DeviceList = std::vector<std::unique_ptr<IStorageDevice>>;

class IEnumDevice {
public:
    virtual ~IEnumDevice() = default;
    /// Each empties the list and fills it, sorted.
    virtual RESULT EnumDiskDevice(DeviceList& disks) = 0;
    virtual RESULT EnumPartitionDevice(IStorageDevice* pDisk, DeviceList& partitions) = 0;
    /// A null disk leaves the list empty.
    virtual RESULT EnumVolumeDevice(IStorageDevice* pDisk, DeviceList& volumes) = 0;
};

class CEnumDevice final : public IEnumDevice {
public:
    explicit CEnumDevice(std::unique_ptr<platform::IBlockDeviceFinder> pFinder) : m_pFinder(std::move(pFinder)) {}

    RESULT EnumDiskDevice(DeviceList& disks) override;
    RESULT EnumPartitionDevice(IStorageDevice* pDisk, DeviceList& partitions) override;
    RESULT EnumVolumeDevice(IStorageDevice* pDisk, DeviceList& volumes) override;

private:
    std::unique_ptr<platform::IBlockDeviceFinder> m_pFinder;
};

}  // namespace enumerate
