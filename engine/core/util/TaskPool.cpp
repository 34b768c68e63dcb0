#include "engine/core/util/TaskPool.h"

#include <system_error>

#include "engine/CatchExeception.h"

namespace engine {

TaskPool::TaskPool(unsigned int uThreads) {
    for (unsigned int i = 1; i < uThreads; ++i) {
        try {
            m_workers.emplace_back(&TaskPool::WorkerLoop, this);
        } catch (std::system_error const& error) {
            // Fewer threads only make the work slower; the caller still runs every task.
            CatchExeception::WriteLog("Task pool: %u of %u threads: %s\n", i, uThreads, error.what());
            break;
        }
    }
}

TaskPool::~TaskPool() {
    {
        std::lock_guard lock(m_lock);
        m_bStopping = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void TaskPool::RunTasks(std::unique_lock<std::mutex>& lock) {
    while (m_next < m_tasks.size()) {
        std::function<void()> const& task = m_tasks[m_next++];
        ++m_running;
        lock.unlock();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !m_error) m_error = error;
        if (--m_running == 0 && m_next >= m_tasks.size()) m_done.notify_all();
    }
}

void TaskPool::WorkerLoop() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStopping || m_next < m_tasks.size(); });
        if (m_bStopping) return;
        RunTasks(lock);
    }
}

void TaskPool::RunAll(std::span<std::function<void()> const> tasks) {
    std::unique_lock lock(m_lock);
    m_tasks = tasks;
    m_next = 0;
    m_running = 0;
    m_error = nullptr;
    if (!m_workers.empty() && tasks.size() > 1) m_wake.notify_all();
    RunTasks(lock);
    m_done.wait(lock, [this] { return m_running == 0 && m_next >= m_tasks.size(); });
    std::exception_ptr const error = m_error;
    m_tasks = {};
    m_next = 0;
    m_error = nullptr;
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

}  // namespace engine
