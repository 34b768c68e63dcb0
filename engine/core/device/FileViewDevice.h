#pragma once
// The bytes of one file of a volume, in the file's order, as a device of their own: a volume
// found inside the file (an image stored on another volume) is read through it, whatever the
// pieces the file lies in. Its sectors are the file's; sectors of the file's holes read as
// zeros, and it ends where the file ends (a read starting past it fails, one running past it
// is zero-filled, as a partial image ends).
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/core/device/SectorExtents.h"

class CFileViewDevice final : public IStorageDevice {
public:
    /// `device` (not owned) must outlive the view; `extents` need not be sorted, and those that
    /// overlap another or reach past `s64Sectors` are cut.
    CFileViewDevice(IStorageDevice& device, std::vector<SectorExtent> extents, std::int64_t s64Sectors);

    int Open() override { return 1; }
    int Close() override { return 1; }
    /// Code 5 for a null buffer, a count below 1 or a start outside the view; otherwise the
    /// device's own failure when a piece cannot be read.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return m_iSectorSize; }
    long long GetTotalSectors() override { return m_s64Sectors; }
    int IOCtl(unsigned long long u64Request, void* pArgument) override;
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData* pData) override;
    /// An image in a file is read as a disk is.
    int GetType() override { return STORAGE_DEVICE_DISK; }
    RESULT GetLastError() override { return m_result.load(); }

    std::vector<SectorExtent> const& Extents() const { return m_extents; }

private:
    int Fail(RESULT result) {
        m_result.store(result);
        return 0;
    }

    IStorageDevice& m_device;
    int m_iSectorSize;
    std::int64_t m_s64Sectors;
    std::vector<SectorExtent> m_extents;  // by view sector, disjoint
    std::atomic<RESULT> m_result{kResultSuccess};
};
