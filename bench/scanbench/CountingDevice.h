#pragma once
// A device seen through a counter of its reads: what the signature search's sizing reads beyond
// the block pass. Everything else goes straight to the device underneath.
#include <cstdint>

#include "engine/IStorageDevice.h"

namespace scanbench {

class CountingDevice final : public IStorageDevice {
public:
    explicit CountingDevice(IStorageDevice& device) : m_device(device) {}

    int Open() override { return m_device.Open(); }
    int Close() override { return m_device.Close(); }
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        ++m_u64Reads;
        m_u64Sectors += s64Count > 0 ? static_cast<std::uint64_t>(s64Count) : 0;
        return m_device.ReadSector(pBuffer, s64FirstSector, s64Count);
    }
    int GetSectorSize() override { return m_device.GetSectorSize(); }
    long long GetTotalSectors() override { return m_device.GetTotalSectors(); }
    int IOCtl(unsigned long long u64Request, void* pArgument) override { return m_device.IOCtl(u64Request, pArgument); }
    IStorageDeviceData* GetPrivateData() override { return m_device.GetPrivateData(); }
    void SetPrivateData(IStorageDeviceData* pData) override { m_device.SetPrivateData(pData); }
    int GetType() override { return m_device.GetType(); }
    RESULT GetLastError() override { return m_device.GetLastError(); }

    std::uint64_t Reads() const { return m_u64Reads; }
    std::uint64_t Sectors() const { return m_u64Sectors; }

private:
    IStorageDevice& m_device;
    std::uint64_t m_u64Reads = 0;
    std::uint64_t m_u64Sectors = 0;
};

}  // namespace scanbench
