#pragma once
// Partitions and partition-backed virtual volumes are both a window onto a parent device; this
// is their one implementation. They differ only in the type they report and the kind of
// description record they accept.
#include <atomic>
#include <cstdint>

#include "engine/IStorageDevice.h"
#include "engine/core/device/DeviceRecord.h"

class CPartitionWindowDevice : public IPartitionStorageDevice {
public:
    /// Takes the sector size of the parent's disk record; code 7 without a parent or such a
    /// record. Never opens the parent.
    int Open() override;
    int Close() override;
    /// Code 7 without a parent; code 5 for a null buffer, a count below 1 or above the window,
    /// or a first sector outside the window. A request running past the window's end reads up
    /// to the end and zero-fills the rest; a failing parent read keeps the parent's code.
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return m_s64TotalSectors; }
    int IOCtl(unsigned long long u64Request, void* pArgument) override;
    IStorageDeviceData* GetPrivateData() override { return m_record.Get(); }
    /// Adopts the record's sector size and count when it is of the accepted kind; code 7 otherwise.
    void SetPrivateData(IStorageDeviceData* pData) override;
    int GetType() override { return m_type; }
    RESULT GetLastError() override { return m_result.load(); }
    long long GetStartSector() override { return m_s64StartSector; }

protected:
    CPartitionWindowDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors,
                           StorageDeviceType type, engine::RecordGeometryReader pReadGeometry);

private:
    int Fail(RESULT result) {
        m_result.store(result);
        return 0;
    }

    std::atomic<RESULT> m_result{kResultSuccess};
    IStorageDevice* const m_pParent;  // not owned; outlives the window
    StorageDeviceType const m_type;
    std::uint32_t m_u32SectorSize = 512;
    std::int64_t const m_s64StartSector;
    std::int64_t m_s64TotalSectors;
    engine::CDeviceRecord m_record;
};
