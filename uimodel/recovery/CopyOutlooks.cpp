#include "uimodel/recovery/CopyOutlooks.h"

namespace uimodel {

IDataRecovery::Refusal CopyOutlooks::Of(IFileNode* pNode, std::function<IDataRecovery*()> const& copyOut,
                                        std::optional<std::size_t> volumes) {
    if (pNode == nullptr) return {};
    std::size_t forgotten = 0;
    {
        std::lock_guard const lock(m_mutex);
        if (volumes != m_volumes) {
            m_known.clear();
            m_volumes = volumes;
        }
        if (auto const known = m_known.find(pNode); known != m_known.end()) return known->second;
        forgotten = m_forgotten;
    }
    // Judged outside the lock: the copy-out object takes its own, which a thumbnail may hold.
    IDataRecovery* pCopyOut = copyOut();
    if (pCopyOut == nullptr) return {};
    IDataRecovery::Refusal outlook = pCopyOut->JudgeBeforeCopy(pNode);
    std::lock_guard const lock(m_mutex);
    if (volumes == m_volumes && forgotten == m_forgotten) m_known.emplace(pNode, outlook);
    return outlook;
}

void CopyOutlooks::Forget() {
    std::lock_guard const lock(m_mutex);
    m_known.clear();
    m_volumes.reset();
    ++m_forgotten;
}

}  // namespace uimodel
