#pragma once
// The progress of one save or load: starts at 5 of 100, rises by 1 at most every 100 ms and
// never past 98 while the job runs, and ends at 100 of 100 with the job's error code in the
// same record, so a failure reaches whoever reads the last record.
#include <chrono>
#include <mutex>

#include "engine/IProgress.h"

namespace uimodel::resultsfile {

class CJobProgress {
public:
    explicit CJobProgress(IProgress* pSink) : m_pSink(pSink) {}

    /// `bStart`: state running, 5 of 100. `bFinished`: state finished, 100 of 100, with the error
    /// code kept (0 for none). Otherwise one unit of work done, handed over at most every 100 ms.
    void IncProgress(bool bFinished = false, bool bStart = false);
    /// Keeps the first error code for the job's last record.
    void TipError(int iCode);
    int Error() const;
    IProgress* Sink() const { return m_pSink; }

private:
    static constexpr std::chrono::milliseconds kStepInterval{100};
    static constexpr std::uint64_t kTotal = 100;
    static constexpr std::uint64_t kStartDone = 5;
    static constexpr std::uint64_t kMaxRunningDone = 98;
    /// Units of work between looks at the clock: a save reports one per node, and a million
    /// clock reads would cost more than writing the nodes.
    static constexpr unsigned kUnitsPerClockLook = 64;

    void Send();

    IProgress* m_pSink;
    mutable std::mutex m_mutex;
    _PROGRESS_INFO m_info;
    std::chrono::steady_clock::time_point m_lastStep{};
    unsigned m_u32UnitsUnlooked = 0;
    int m_iError = 0;
};

}  // namespace uimodel::resultsfile
