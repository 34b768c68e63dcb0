#pragma once
// The process-wide holder of the running scan's progress sink, so that any code of the
// signature search (analysers deep in a walk included) can ask whether the scan goes on.
#include <atomic>

class IProgress;

class CNotifyCenter {
public:
    /// The one object, made on first use; lives until the process ends.
    static CNotifyCenter& Instance();

    /// Stores the sink (not owned); null forgets it.
    void SetProgress(IProgress* pProgress) { m_pProgress.store(pProgress); }
    IProgress* GetProgress() const { return m_pProgress.load(); }
    /// True without a sink, else the sink's Continued().
    bool isContinue() const;
    void Reset() { m_pProgress.store(nullptr); }

private:
    CNotifyCenter() = default;

    std::atomic<IProgress*> m_pProgress{nullptr};
};
