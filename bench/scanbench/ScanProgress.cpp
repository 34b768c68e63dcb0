#include "ScanProgress.h"

namespace scanbench {

CScanProgress::CScanProgress(double dStopAfterSeconds) {
    if (dStopAfterSeconds > 0)
        m_deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                            std::chrono::duration<double>(dStopAfterSeconds));
}

void CScanProgress::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (pInfo) m_last = *pInfo;
}

int CScanProgress::Continued() {
    if (m_deadline && std::chrono::steady_clock::now() >= *m_deadline) m_bStopped = true;
    return m_bStopped ? 0 : 1;
}

}  // namespace scanbench
