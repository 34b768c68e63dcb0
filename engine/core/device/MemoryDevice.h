#pragma once
// A storage device over a buffer in memory, for images built or read whole (tests, fuzz targets,
// benchmarks). It reads like the disk device: whole sectors, the tail past the last byte
// zero-filled, code 5 for bad arguments, and code 1 for any read touching a sector marked as
// failing.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"

class CMemoryDevice : public IStorageDevice {
public:
    explicit CMemoryDevice(std::vector<std::uint8_t> bytes, int iSectorSize = 512,
                           StorageDeviceType type = STORAGE_DEVICE_DISK);

    int Open() override;
    int Close() override;
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override;
    int GetSectorSize() override { return m_iSectorSize; }
    /// Whole sectors only; a partial last sector still reads.
    long long GetTotalSectors() override;
    int IOCtl(unsigned long long u64Request, void* pArgument) override;
    IStorageDeviceData* GetPrivateData() override { return m_pData.get(); }
    /// Keeps the record as given; the geometry stays the bytes'.
    void SetPrivateData(IStorageDeviceData* pData) override;
    int GetType() override { return m_type; }
    RESULT GetLastError() override { return m_result.load(); }

    /// Reads that touch this sector fail with code 1.
    void FailSector(long long s64Sector);
    /// Successful and failed ReadSector calls so far.
    std::uint64_t ReadCount() const { return m_u64Reads.load(); }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }

private:
    int Fail(RESULT result) {
        m_result.store(result);
        return 0;
    }

    std::vector<std::uint8_t> m_bytes;
    int m_iSectorSize;
    StorageDeviceType m_type;
    std::atomic<RESULT> m_result{kResultSuccess};
    std::atomic<std::uint64_t> m_u64Reads{0};
    mutable std::mutex m_failingMutex;
    std::set<long long> m_failingSectors;
    std::unique_ptr<IStorageDeviceData> m_pData;
};
