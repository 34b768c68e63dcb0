#pragma once
// A progress sink that keeps every record the engine reports and answers "go on" until told to
// stop after a number of questions.
#include <atomic>
#include <mutex>
#include <vector>

#include "engine/IProgress.h"

namespace testkit {

class ProgressSink : public IProgress {
public:
    void UpdateProgress(_PROGRESS_INFO* pInfo) override;
    int Continued() override;
    int shouldBuild() override { return m_build.load(); }

    /// Continued() answers false from the n-th call on (counting from 1); 0 never stops.
    void StopAfter(int n) { m_stopAfter = n; }
    void SetBuild(bool build) { m_build = build; }

    std::vector<_PROGRESS_INFO> Records() const;
    int ContinuedCalls() const { return m_calls.load(); }

private:
    mutable std::mutex m_mutex;
    std::vector<_PROGRESS_INFO> m_records;
    std::atomic<int> m_calls{0};
    std::atomic<int> m_stopAfter{0};
    std::atomic<int> m_build{1};
};

}  // namespace testkit
