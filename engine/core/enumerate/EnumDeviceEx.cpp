#include "engine/core/enumerate/EnumDeviceEx.h"

#include <algorithm>
#include <span>

#include "engine/IStorageDevice.h"

namespace enumerate {

namespace {

RESULT Code(std::uint32_t u32Code) { return ENGINE_RESULT(kModuleEnumDevice, u32Code); }

/// The array protocol shared by the three lists.
RESULT HandOut(std::vector<IStorageDevice*> const& devices, IStorageDevice** ppDevices, int& iCount,
               bool bZeroCapacityIsSuccess) {
    if (!ppDevices) {
        iCount = static_cast<int>(devices.size());
        return kResultSuccess;
    }
    if (iCount == 0 && bZeroCapacityIsSuccess) return kResultSuccess;
    if (iCount < 0 || static_cast<std::size_t>(iCount) < devices.size()) return Code(kCodeEnumArrayTooSmall);
    std::span<IStorageDevice*> const out(ppDevices, static_cast<std::size_t>(iCount));
    std::copy(devices.begin(), devices.end(), out.begin());
    iCount = static_cast<int>(devices.size());
    return kResultSuccess;
}

}  // namespace

CEnumDeviceEx::~CEnumDeviceEx() {
    if (m_bInitialised) Uninit();
}

RESULT CEnumDeviceEx::Init() {
    if (m_bInitialised) Uninit();
    m_pEnumDevice = m_makeEnumDevice();
    if (!m_pEnumDevice) return Code(kCodeEnumNotInitialised);
    DeviceList disks;
    m_pEnumDevice->EnumDiskDevice(disks);
    m_bInitialised = true;
    if (disks.empty()) {
        Uninit();
        return Code(kCodeEnumNoDisk);
    }
    for (auto& pDisk : disks) {
        m_disks.push_back(std::make_unique<CDiskListing>(std::move(pDisk), *m_pEnumDevice));
        m_diskView.push_back(m_disks.back()->Disk());
    }
    return kResultSuccess;
}

RESULT CEnumDeviceEx::Uninit() {
    if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
    m_diskView.clear();
    m_disks.clear();
    m_pEnumDevice.reset();
    m_bInitialised = false;
    return kResultSuccess;
}

CDiskListing const* CEnumDeviceEx::Find(IStorageDevice const* pDisk) const {
    auto it = std::find_if(m_disks.begin(), m_disks.end(),
                           [pDisk](auto const& pListing) { return pListing->Disk() == pDisk; });
    return it == m_disks.end() ? nullptr : it->get();
}

RESULT CEnumDeviceEx::EnumDiskDevice(IStorageDevice** ppDevices, int& iCount) {
    if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
    return HandOut(m_diskView, ppDevices, iCount, true);
}

RESULT CEnumDeviceEx::EnumPartitionDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) {
    if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
    if (!pDisk) return Code(kCodeEnumNullDisk);
    CDiskListing const* pListing = Find(pDisk);
    if (!pListing) return Code(kCodeEnumUnknownDisk);
    return HandOut(pListing->Partitions(), ppDevices, iCount, true);
}

RESULT CEnumDeviceEx::EnumVolumeDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) {
    if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
    if (!pDisk) return Code(kCodeEnumNullDisk);
    CDiskListing const* pListing = Find(pDisk);
    if (!pListing) return Code(kCodeEnumUnknownDisk);
    if (Failed(pListing->MergeResult())) return pListing->MergeResult();
    return HandOut(pListing->Volumes(), ppDevices, iCount, false);
}

}  // namespace enumerate

IEnumDeviceEx* CreateEnumDeviceEx() {
    static enumerate::CEnumDeviceEx s_enumerator([]() -> std::unique_ptr<enumerate::IEnumDevice> {
        return std::make_unique<enumerate::CEnumDevice>(platform::CreateBlockDeviceFinder());
    });
    return &s_enumerator;
}
