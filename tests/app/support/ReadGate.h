#pragma once
// A disk image's device list whose disk reads a test can hold back: a recovery started while the
// gate is shut waits inside its first read, so the test meets the recovery's dialogs while it
// still runs, however fast the copy would otherwise be.
#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class IEnumDeviceEx;

namespace apptest {

class ReadGate {
public:
    void Shut() { Set(true); }
    void Open() { Set(false); }
    // From now on every read from sector `first` on takes `delay` longer, so a long scan cannot
    // outrun a test that waits for what it showed on the way; the gate is not shut by this.
    void SlowReadsFrom(long long first, std::chrono::milliseconds delay) {
        std::lock_guard const lock(m_mutex);
        m_slowFrom = first;
        m_delay = delay;
    }
    // Whether a read waits at the shut gate.
    bool HasWaitingRead() const {
        std::lock_guard const lock(m_mutex);
        return m_waiting > 0;
    }
    // Before every read (from sector `first`): slowed as asked, then waits while the gate is shut, at most two minutes, so that a test that
    // never opens it fails instead of hanging.
    void Pass(long long first) {
        std::unique_lock lock(m_mutex);
        if (first >= m_slowFrom) {
            const std::chrono::milliseconds delay = m_delay;
            lock.unlock();
            std::this_thread::sleep_for(delay);
            lock.lock();
        }
        ++m_waiting;
        m_opened.wait_for(lock, std::chrono::minutes(2), [this] { return !m_shut; });
        --m_waiting;
    }

private:
    void Set(bool shut) {
        std::lock_guard const lock(m_mutex);
        m_shut = shut;
        m_opened.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_shut = false;
    int m_waiting = 0;
    long long m_slowFrom = LLONG_MAX;
    std::chrono::milliseconds m_delay{0};
};

// The image's device list (CreateImageEnumDeviceEx) with every device read through `gate`.
IEnumDeviceEx* CreateGatedImageEnumDeviceEx(const std::string& image, std::shared_ptr<ReadGate> gate);

}  // namespace apptest
