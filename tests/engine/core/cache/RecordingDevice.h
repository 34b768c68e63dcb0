#pragma once
// Passes every call to a device and remembers each ReadSector request and its thread, so a test
// can tell which reads reached the device and whether any of them was out of bounds.
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/IStorageDevice.h"

namespace cachetest {

struct RecordedRead {
    long long s64First = 0;
    long long s64Count = 0;
    std::thread::id thread;
};

class CRecordingDevice final : public IStorageDevice {
public:
    explicit CRecordingDevice(IStorageDevice& device) : m_device(device) {}

    int Open() override { return m_device.Open(); }
    int Close() override { return m_device.Close(); }
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        {
            std::lock_guard lock(m_mutex);
            m_reads.push_back({s64FirstSector, s64Count, std::this_thread::get_id()});
        }
        return m_device.ReadSector(pBuffer, s64FirstSector, s64Count);
    }
    int GetSectorSize() override { return m_device.GetSectorSize(); }
    long long GetTotalSectors() override { return m_device.GetTotalSectors(); }
    int IOCtl(unsigned long long u64Request, void* pArgument) override { return m_device.IOCtl(u64Request, pArgument); }
    IStorageDeviceData* GetPrivateData() override { return m_device.GetPrivateData(); }
    void SetPrivateData(IStorageDeviceData* pData) override { m_device.SetPrivateData(pData); }
    int GetType() override { return m_device.GetType(); }
    RESULT GetLastError() override { return m_device.GetLastError(); }

    std::vector<RecordedRead> Reads() const {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }
    std::vector<RecordedRead> ReadsFromThisThread() const {
        std::vector<RecordedRead> mine;
        for (RecordedRead const& read : Reads())
            if (read.thread == std::this_thread::get_id()) mine.push_back(read);
        return mine;
    }
    void Forget() {
        std::lock_guard lock(m_mutex);
        m_reads.clear();
    }

private:
    IStorageDevice& m_device;
    mutable std::mutex m_mutex;
    std::vector<RecordedRead> m_reads;
};

}  // namespace cachetest
