#pragma once
// A device that passes every call to another one it does not own: a wrapper that watches or
// changes one call (the reads, mostly) overrides that call alone.
#include "engine/IStorageDevice.h"

class CForwardingDevice : public IStorageDevice {
public:
    /// `device` must outlive the wrapper.
    explicit CForwardingDevice(IStorageDevice& device) : m_device(device) {}

    int Open() override { return m_device.Open(); }
    int Close() override { return m_device.Close(); }
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        return m_device.ReadSector(pBuffer, s64FirstSector, s64Count);
    }
    int GetSectorSize() override { return m_device.GetSectorSize(); }
    long long GetTotalSectors() override { return m_device.GetTotalSectors(); }
    int IOCtl(unsigned long long u64Request, void* pArgument) override { return m_device.IOCtl(u64Request, pArgument); }
    IStorageDeviceData* GetPrivateData() override { return m_device.GetPrivateData(); }
    void SetPrivateData(IStorageDeviceData* pData) override { m_device.SetPrivateData(pData); }
    int GetType() override { return m_device.GetType(); }
    RESULT GetLastError() override { return m_device.GetLastError(); }

protected:
    IStorageDevice& Forwarded() const { return m_device; }

private:
    IStorageDevice& m_device;
};
