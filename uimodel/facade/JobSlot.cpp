#include "uimodel/facade/JobSlot.h"

#include <thread>

namespace uimodel {

bool CJobSlot::Start(std::function<void()> job) {
    m_thread.Join();
    m_pDone = std::make_shared<std::atomic<bool>>(false);
    bool const bStarted = m_thread.Start([pDone = m_pDone, job = std::move(job)] {
        job();
        pDone->store(true);
    });
    if (!bStarted) m_pDone->store(true);
    return bStarted;
}

bool CJobSlot::WaitUntil(std::chrono::steady_clock::time_point deadline) const {
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace uimodel
