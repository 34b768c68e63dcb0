// The device list over disk-image files: each image is one CDiskListing::FromImage disk, handed
// out through the same array protocol as the machine's enumerator.
#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"
#include "engine/core/enumerate/DiskListing.h"

namespace enumerate {
namespace {

RESULT Code(std::uint32_t u32Code) { return ENGINE_RESULT(kModuleEnumDevice, u32Code); }

RESULT HandOut(std::vector<IStorageDevice*> const& devices, IStorageDevice** ppDevices, int& iCount) {
    if (!ppDevices) {
        iCount = static_cast<int>(devices.size());
        return kResultSuccess;
    }
    if (iCount < 0 || static_cast<std::size_t>(iCount) < devices.size()) return Code(kCodeEnumArrayTooSmall);
    std::span<IStorageDevice*> const out(ppDevices, static_cast<std::size_t>(iCount));
    std::copy(devices.begin(), devices.end(), out.begin());
    iCount = static_cast<int>(devices.size());
    return kResultSuccess;
}

class CImageEnumDeviceEx final : public IEnumDeviceEx {
public:
    explicit CImageEnumDeviceEx(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

    RESULT Init() override {
        Uninit();
        for (auto const& path : m_paths) {
            auto pListing = CDiskListing::FromImage(path);
            if (!pListing) continue;
            m_diskView.push_back(pListing->Disk());
            m_disks.push_back(std::move(pListing));
        }
        m_bInitialised = !m_disks.empty();
        return m_bInitialised ? kResultSuccess : Code(kCodeEnumNoDisk);
    }
    RESULT Uninit() override {
        if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
        m_diskView.clear();
        m_disks.clear();
        m_bInitialised = false;
        return kResultSuccess;
    }
    RESULT EnumDiskDevice(IStorageDevice** ppDevices, int& iCount) override {
        if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
        return HandOut(m_diskView, ppDevices, iCount);
    }
    RESULT EnumPartitionDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) override {
        CDiskListing const* pListing = nullptr;
        if (RESULT const r = Find(pDisk, pListing); Failed(r)) return r;
        return HandOut(pListing->Partitions(), ppDevices, iCount);
    }
    RESULT EnumVolumeDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) override {
        CDiskListing const* pListing = nullptr;
        if (RESULT const r = Find(pDisk, pListing); Failed(r)) return r;
        return HandOut(pListing->Volumes(), ppDevices, iCount);
    }

private:
    RESULT Find(IStorageDevice const* pDisk, CDiskListing const*& pFound) const {
        if (!m_bInitialised) return Code(kCodeEnumNotInitialised);
        if (!pDisk) return Code(kCodeEnumNullDisk);
        auto it = std::find_if(m_disks.begin(), m_disks.end(), [pDisk](auto const& p) { return p->Disk() == pDisk; });
        if (it == m_disks.end()) return Code(kCodeEnumUnknownDisk);
        pFound = it->get();
        return kResultSuccess;
    }

    std::vector<std::string> m_paths;
    bool m_bInitialised = false;
    std::vector<std::unique_ptr<CDiskListing>> m_disks;
    std::vector<IStorageDevice*> m_diskView;
};

}  // namespace
}  // namespace enumerate

IEnumDeviceEx* CreateImageEnumDeviceEx(std::vector<std::string> const& paths) {
    return new enumerate::CImageEnumDeviceEx(paths);
}
