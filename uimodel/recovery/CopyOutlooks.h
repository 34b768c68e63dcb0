#pragma once
// What copying each shown file would answer, asked of copy-out before any recovery and kept per
// node, so that the windows mark the files that will not come back whole without slowing their
// lists: each node is judged once, from the node and its runs alone (no device read).
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "engine/IDataRecovery.h"

namespace uimodel {

class CopyOutlooks {
public:
    /// The outlook of `pNode`, judged the first time it is asked by the copy-out object
    /// `copyOut` answers (when it answers null: success, not kept). `volumes` is how many volumes the scan knows
    /// while it runs: when it changed, a later volume may judge files afresh, so all are asked again.
    IDataRecovery::Refusal Of(IFileNode* pNode, std::function<IDataRecovery*()> const& copyOut,
                              std::optional<std::size_t> volumes);
    /// The nodes go (a new scan, a load): nothing known is kept.
    void Forget();

private:
    std::mutex m_mutex;
    std::unordered_map<IFileNode const*, IDataRecovery::Refusal> m_known;
    std::optional<std::size_t> m_volumes;
    // Counts the Forget calls: a judgement that straddled one is not kept.
    std::size_t m_forgotten = 0;
};

}  // namespace uimodel
