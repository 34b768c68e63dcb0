#pragma once
// One job's thread as the facade keeps it: started again only after the last run was joined,
// and waited for with a bound when the program ends.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "uimodel/operation/JobThread.h"

namespace uimodel {

class CJobSlot {
public:
    /// Joins the last run first (it has ended or is about to), then starts `job`.
    bool Start(std::function<void()> job);
    void Join() { m_thread.Join(); }
    bool Running() const { return m_thread.Joinable() && !m_pDone->load(); }
    /// Waits until the job ended or `deadline` passed; true when it ended (or none runs).
    bool WaitUntil(std::chrono::steady_clock::time_point deadline) const;

private:
    CJobThread m_thread;
    std::shared_ptr<std::atomic<bool>> m_pDone = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace uimodel
