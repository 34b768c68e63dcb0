#pragma once
// The harness's progress sink: keeps the last record and asks for a stop once the time given
// with --stop-after has passed, as a user pressing Stop would.
#include <chrono>
#include <optional>

#include "engine/IProgress.h"

namespace scanbench {

class CScanProgress final : public IProgress {
public:
    /// 0 never stops.
    explicit CScanProgress(double dStopAfterSeconds);

    void UpdateProgress(_PROGRESS_INFO* pInfo) override;
    int Continued() override;
    int shouldBuild() override { return 1; }

    _PROGRESS_INFO const& Last() const { return m_last; }
    bool StopRequested() const { return m_bStopped; }

private:
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    _PROGRESS_INFO m_last;
    bool m_bStopped = false;
};

}  // namespace scanbench
