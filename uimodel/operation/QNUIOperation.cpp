#include "uimodel/operation/QNUIOperation.h"

namespace uimodel {

int QNUIOperation::Continued() {
    std::unique_lock lock(m_mutex);
    // A paused job waits inside the engine's thread until it is resumed or stopped.
    m_changed.wait(lock, [this] { return m_iStatus != OPERATION_PAUSED; });
    return m_iStatus == OPERATION_RUNNING ? 1 : 0;
}

int QNUIOperation::shouldBuild() {
    std::lock_guard const lock(m_mutex);
    return m_iShouldBuildTree;
}

int QNUIOperation::GetStatus() const {
    std::lock_guard const lock(m_mutex);
    return m_iStatus;
}

void QNUIOperation::SetStatus(int iStatus) {
    std::lock_guard const lock(m_mutex);
    // Set running from outside, a job starts (a resume goes through PauseOrResumeOperation).
    if (iStatus == OPERATION_RUNNING) m_bStopRequested = false;
    SetStatusLocked(iStatus);
}

void QNUIOperation::SetStatusLocked(int iStatus) {
    m_iStatus = iStatus;
    m_changed.notify_all();
}

int QNUIOperation::IsNeedUIUpdate() const {
    std::lock_guard const lock(m_mutex);
    return m_iNeedUIUpdate;
}

void QNUIOperation::SetNeedUIUpdate(int iNeed) {
    // Raised for every file and progress report: no waiter looks at it, so it wakes none (the
    // poller reads it on its next pass).
    std::lock_guard const lock(m_mutex);
    m_iNeedUIUpdate = iNeed;
}

void QNUIOperation::SetShouldBuildTree(int iBuild) {
    std::lock_guard const lock(m_mutex);
    m_iShouldBuildTree = iBuild;
}

_PROGRESS_INFO QNUIOperation::GetProgressInfo() const {
    std::lock_guard const lock(m_mutex);
    return m_progress;
}

void QNUIOperation::SetProgressInfo(_PROGRESS_INFO const& info) {
    std::lock_guard const lock(m_mutex);
    m_progress = info;
}

bool QNUIOperation::IsOperationExit() const {
    std::lock_guard const lock(m_mutex);
    return m_iStatus == OPERATION_IDLE || m_iStatus == OPERATION_EXIT;
}

bool QNUIOperation::WaitForExitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [this] { return m_iStatus == OPERATION_IDLE || m_iStatus == OPERATION_EXIT; });
}

void QNUIOperation::PauseOrResumeOperation() {
    std::lock_guard const lock(m_mutex);
    if (m_iStatus == OPERATION_PAUSED)
        SetStatusLocked(OPERATION_RUNNING);
    else if (m_iStatus == OPERATION_RUNNING)
        SetStatusLocked(OPERATION_PAUSED);
}

bool QNUIOperation::WasStopRequested() const {
    std::lock_guard const lock(m_mutex);
    return m_bStopRequested;
}

void QNUIOperation::StopOperation(int iNoTree) {
    std::lock_guard const lock(m_mutex);
    if (m_iStatus == OPERATION_RUNNING || m_iStatus == OPERATION_PAUSED) m_bStopRequested = true;
    if (m_iStatus != OPERATION_IDLE) {
        m_iShouldBuildTree = iNoTree == 0 ? 1 : 0;
        SetStatusLocked(OPERATION_STOP_REQUESTED);
    }
    m_iNeedUIUpdate = 1;
    m_changed.notify_all();
}

}  // namespace uimodel
