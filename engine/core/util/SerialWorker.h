#pragma once
// Runs jobs one after another on a thread of its own, in the order they were posted: a
// searcher hands its share of the tree building over and goes on reading the block meanwhile.
// The thread starts with the first job.
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace engine {

class SerialWorker {
public:
    SerialWorker() = default;
    /// Runs what was posted, then ends the thread.
    ~SerialWorker();
    SerialWorker(SerialWorker const&) = delete;
    SerialWorker& operator=(SerialWorker const&) = delete;

    void Post(std::function<void()> job);
    /// Returns once every job posted so far has ended. The first exception a job threw since
    /// the last Wait is thrown here; the jobs after it ran all the same.
    void Wait();

private:
    void Loop();

    std::mutex m_lock;
    std::condition_variable m_wake;  // a job came, or the worker ends
    std::condition_variable m_idle;  // the last job posted ended
    std::deque<std::function<void()>> m_jobs;
    bool m_bRunning = false;  // a job taken off m_jobs runs
    bool m_bStopping = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

}  // namespace engine
