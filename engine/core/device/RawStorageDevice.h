#pragma once
// Disks and volumes are both read through their node; this is their one implementation. They
// differ only in the type they report and the kind of description record they accept.
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/IStorageDevice.h"
#include "engine/core/device/DeviceRecord.h"
#include "platform/RawDevice.h"

class CRawStorageDevice : public IStorageDevice {
public:
    /// Prints "open failed:<errno>" to standard output when the node exists but does not open.
    int Open() override;
    /// 1 when a node was open, 0 otherwise.
    int Close() override;
    /// Code 5 for a null buffer, a count below 1, a first sector that is negative or (when the
    /// size is known) past the last sector, or a byte range that overflows; code 1 when the read
    /// fails or returns nothing. A request running past the device's end is zero-filled.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return m_s64TotalSectors; }
    int IOCtl(unsigned long long u64Request, void* pArgument) override;
    IStorageDeviceData* GetPrivateData() override { return m_record.Get(); }
    /// Adopts the record's sector size and count when it is of the accepted kind; code 7 otherwise.
    void SetPrivateData(IStorageDeviceData* pData) override;
    int GetType() override { return m_type; }
    RESULT GetLastError() override { return m_result.load(); }

protected:
    CRawStorageDevice(std::string path, StorageDeviceType type, engine::RecordGeometryReader pReadGeometry);

private:
    int Fail(RESULT result) {
        m_result.store(result);
        return 0;
    }

    std::atomic<RESULT> m_result{kResultSuccess};
    std::string const m_path;
    StorageDeviceType const m_type;
    platform::CRawDevice m_device;
    std::uint32_t m_u32SectorSize = platform::CRawDevice::kImageSectorSize;
    std::int64_t m_s64TotalSectors = 0;
    engine::CDeviceRecord m_record;
};
