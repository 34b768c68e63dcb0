#pragma once
// Passes every call to a device and remembers each ReadSector request and its thread, so a test
// can tell which reads reached the device and whether any of them was out of bounds.
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/core/device/ForwardingDevice.h"

namespace cachetest {

struct RecordedRead {
    long long s64First = 0;
    long long s64Count = 0;
    std::thread::id thread;
};

class CRecordingDevice final : public CForwardingDevice {
public:
    using CForwardingDevice::CForwardingDevice;

    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        {
            std::lock_guard lock(m_mutex);
            m_reads.push_back({s64FirstSector, s64Count, std::this_thread::get_id()});
        }
        return CForwardingDevice::ReadSector(pBuffer, s64FirstSector, s64Count);
    }

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
    mutable std::mutex m_mutex;
    std::vector<RecordedRead> m_reads;
};

}  // namespace cachetest
