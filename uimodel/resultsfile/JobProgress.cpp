#include "uimodel/resultsfile/JobProgress.h"

namespace uimodel::resultsfile {

void CJobProgress::IncProgress(bool bFinished, bool bStart) {
    std::lock_guard const lock(m_mutex);
    if (!bStart && !bFinished && ++m_u32UnitsUnlooked < kUnitsPerClockLook) return;
    m_u32UnitsUnlooked = 0;
    auto const now = std::chrono::steady_clock::now();
    m_info.u64Total = kTotal;
    if (bStart) {
        m_info.u32State = PROGRESS_STATE_RUNNING;
        m_info.u64Done = kStartDone;
        m_lastStep = now;
    } else if (bFinished) {
        m_info.u32State = PROGRESS_STATE_FINISHED;
        m_info.u64Done = kTotal;
        m_info.u64Error = static_cast<std::uint64_t>(m_iError);
    } else {
        if (now - m_lastStep < kStepInterval) return;
        m_lastStep = now;
        if (m_info.u64Done < kMaxRunningDone) ++m_info.u64Done;
    }
    Send();
}

void CJobProgress::TipError(int iCode) {
    std::lock_guard const lock(m_mutex);
    if (m_iError == 0) m_iError = iCode;
}

int CJobProgress::Error() const {
    std::lock_guard const lock(m_mutex);
    return m_iError;
}

void CJobProgress::Send() {
    if (!m_pSink) return;
    _PROGRESS_INFO copy = m_info;
    m_pSink->UpdateProgress(&copy);
}

}  // namespace uimodel::resultsfile
