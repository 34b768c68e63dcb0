#pragma once
// The worker thread of the model's jobs, and the poller that turns an operation's
// need-UI-update flag into notifications for the windows.
#include <pthread.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace uimodel {

class IMainThreadPoster;
class QNUIOperation;

/// A joinable pthread with a stack large enough for the engine's searchers.
class CJobThread {
public:
    static constexpr std::size_t kStackBytes = std::size_t{8} << 20;  // the engine needs at least 2 MiB

    CJobThread() = default;
    ~CJobThread();
    CJobThread(CJobThread const&) = delete;
    CJobThread& operator=(CJobThread const&) = delete;

    /// Runs `job` on a new thread; false when one still runs or the thread cannot start.
    bool Start(std::function<void()> job);
    /// Waits for the job; nothing when none was started.
    void Join();
    bool Joinable() const { return m_bStarted; }

private:
    static void* Run(void* pArgument);

    pthread_t m_thread{};
    bool m_bStarted = false;
    std::unique_ptr<std::function<void()>> m_pJob;
};

/// Polls `operation` every `interval` until it is idle or exiting: posts `name` when its
/// need-UI-update flag is raised and its tree-finished flag is set (lowering need-UI-update; a
/// raise while a tree is rebuilt waits for a later pass), and posts once more after the end.
/// `onEachPass`, when given, runs on every pass (the harness pauses and stops from it, as a
/// window would).
void PollOperation(QNUIOperation& operation, IMainThreadPoster& poster, std::string const& name,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                   std::function<void()> const& onEachPass = {});

}  // namespace uimodel
