#include "testkit/ProgressSink.h"

namespace testkit {

void ProgressSink::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (!pInfo) return;
    std::lock_guard lock(m_mutex);
    m_records.push_back(*pInfo);
}

int ProgressSink::Continued() {
    int call = ++m_calls;
    int stopAfter = m_stopAfter.load();
    return stopAfter == 0 || call < stopAfter;
}

std::vector<_PROGRESS_INFO> ProgressSink::Records() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

}  // namespace testkit
