#pragma once
// A fixed set of threads that runs a batch of independent tasks and waits for all of them: the
// complete scan hands it the searchers of one block. The calling thread works too, so a pool of
// one thread runs every task on the caller, in order.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace engine {

class TaskPool {
public:
    /// `uThreads` threads in all, the caller's included; 0 counts as 1.
    explicit TaskPool(unsigned int uThreads);
    ~TaskPool();
    TaskPool(TaskPool const&) = delete;
    TaskPool& operator=(TaskPool const&) = delete;

    /// Runs each task once and returns when all have ended. The first exception a task throws
    /// is thrown here once every task has ended.
    void RunAll(std::span<std::function<void()> const> tasks);
    /// The threads of the pool, the caller's included.
    unsigned int Threads() const { return static_cast<unsigned int>(m_workers.size()) + 1; }

private:
    void WorkerLoop();
    /// Takes and runs tasks of the current batch until none is left; caller holds `lock`.
    void RunTasks(std::unique_lock<std::mutex>& lock);

    std::mutex m_lock;
    std::condition_variable m_wake;  // a batch came, or the pool ends
    std::condition_variable m_done;  // the batch's last task ended
    std::span<std::function<void()> const> m_tasks;
    std::size_t m_next = 0;
    std::size_t m_running = 0;
    std::exception_ptr m_error;
    bool m_bStopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace engine
