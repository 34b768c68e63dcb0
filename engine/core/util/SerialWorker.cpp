#include "engine/core/util/SerialWorker.h"

#include <utility>

namespace engine {

SerialWorker::~SerialWorker() {
    {
        std::lock_guard lock(m_lock);
        m_bStopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void SerialWorker::Post(std::function<void()> job) {
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back(std::move(job));
        if (!m_thread.joinable()) m_thread = std::thread([this] { Loop(); });
    }
    m_wake.notify_one();
}

void SerialWorker::Wait() {
    std::unique_lock lock(m_lock);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_bRunning; });
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
}

void SerialWorker::Loop() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStopping || !m_jobs.empty(); });
        if (m_jobs.empty()) return;  // stopping, and everything posted ran
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bRunning = true;
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        job = nullptr;
        lock.lock();
        m_bRunning = false;
        if (error && !m_error) m_error = error;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}

}  // namespace engine
