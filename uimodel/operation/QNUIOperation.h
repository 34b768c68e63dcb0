#pragma once
// Base of the model's long jobs (scan, recovery, saving and loading results): the engine's
// progress sink plus the state the windows change (pause, resume, stop) and poll.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

#include "engine/IProgress.h"

namespace uimodel {

enum OperationStatus : int {
    OPERATION_IDLE = 0,
    OPERATION_STOP_REQUESTED = 1,
    OPERATION_RUNNING = 2,
    OPERATION_PAUSED = 3,
    OPERATION_EXIT = 4,
};

class QNUIOperation : public IProgress {
public:
    QNUIOperation() = default;
    QNUIOperation(QNUIOperation const&) = delete;
    QNUIOperation& operator=(QNUIOperation const&) = delete;

    /// Blocks while paused; true only while running.
    int Continued() override;
    int shouldBuild() override;
    virtual bool IsOpTreeFinished() { return true; }
    virtual void SetOpTreeFinished(int) {}

    int GetStatus() const;
    void SetStatus(int iStatus);
    int IsNeedUIUpdate() const;
    void SetNeedUIUpdate(int iNeed);
    void SetShouldBuildTree(int iBuild);
    _PROGRESS_INFO GetProgressInfo() const;
    void SetProgressInfo(_PROGRESS_INFO const& info);
    bool IsOperationExit() const;
    /// Running becomes paused and paused running; any other status stays.
    void PauseOrResumeOperation();
    /// A stop request for a job that runs or is paused (`iNoTree` 1: skip building the trees).
    void StopOperation(int iNoTree);
    /// Whether the job last started was asked to stop while it ran or was paused: once it has
    /// ended, a stopped job rather than a finished one. Setting the status to running starts anew.
    bool WasStopRequested() const;
    std::time_t GetScanElapseTime() const { return m_endTime.load() - m_startTime.load(); }

    /// Waits until the status satisfies `predicate` (for pollers and tests; no timing involved).
    template <class Predicate>
    void WaitForStatus(Predicate predicate) const {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return predicate(m_iStatus); });
    }
    /// Waits at most `timeout` for the job to end (idle or exit); true when it has. A poller
    /// sleeps in it, so the end is seen at once rather than a poll interval later.
    bool WaitForExitFor(std::chrono::milliseconds timeout) const;

protected:
    ~QNUIOperation() override = default;
    /// Status changes wake every waiter (they wait on the status alone); callers hold m_mutex.
    void SetStatusLocked(int iStatus);

    mutable std::recursive_mutex m_mutex;
    mutable std::condition_variable_any m_changed;
    std::atomic<std::time_t> m_startTime{0};
    std::atomic<std::time_t> m_endTime{0};

private:
    int m_iStatus = OPERATION_IDLE;
    int m_iShouldBuildTree = 1;
    int m_iNeedUIUpdate = 0;
    bool m_bStopRequested = false;
    _PROGRESS_INFO m_progress{};
};

}  // namespace uimodel
