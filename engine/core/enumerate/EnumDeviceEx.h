#pragma once
// The process-wide device enumerator.
#include <functional>
#include <memory>
#include <vector>

#include "engine/IEnumDeviceEx.h"
#include "engine/core/enumerate/DiskListing.h"
#include "engine/core/enumerate/EnumDevice.h"

namespace enumerate {

class CEnumDeviceEx final : public IEnumDeviceEx {
public:
    /// `pMakeEnumDevice` makes the list enumerator on each Init (tests pass one over a fake finder).
    using EnumDeviceFactory = std::function<std::unique_ptr<IEnumDevice>()>;
    explicit CEnumDeviceEx(EnumDeviceFactory makeEnumDevice) : m_makeEnumDevice(std::move(makeEnumDevice)) {}
    ~CEnumDeviceEx() override;

    RESULT Init() override;
    RESULT Uninit() override;
    RESULT EnumDiskDevice(IStorageDevice** ppDevices, int& iCount) override;
    RESULT EnumPartitionDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) override;
    RESULT EnumVolumeDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) override;

private:
    CDiskListing const* Find(IStorageDevice const* pDisk) const;

    EnumDeviceFactory m_makeEnumDevice;
    bool m_bInitialised = false;
    std::unique_ptr<IEnumDevice> m_pEnumDevice;
    std::vector<std::unique_ptr<CDiskListing>> m_disks;  // sorted as the disk finder left them
    std::vector<IStorageDevice*> m_diskView;
};

}  // namespace enumerate
