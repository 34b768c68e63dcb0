#include "testkit/CountingTreeSink.h"

namespace testkit {

void CountingTreeSink::ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) {
    std::lock_guard lock(m_mutex);
    m_u64Shown += u32Count;
    if (m_bKeepNodes && ppNodes != nullptr) m_nodes.insert(m_nodes.end(), ppNodes, ppNodes + u32Count);
    if (iLost) ++m_lostBatches;
}

void CountingTreeSink::ShowFilesystemNode(IFilesystemNode* pRoot) {
    std::lock_guard lock(m_mutex);
    m_roots.push_back(pRoot);
    m_shownBeforeRoot.push_back(m_u64Shown);
}

std::vector<IFileNode*> CountingTreeSink::Nodes() const {
    std::lock_guard lock(m_mutex);
    return m_nodes;
}

std::vector<IFilesystemNode*> CountingTreeSink::Roots() const {
    std::lock_guard lock(m_mutex);
    return m_roots;
}

int CountingTreeSink::LostBatches() const {
    std::lock_guard lock(m_mutex);
    return m_lostBatches;
}

std::uint64_t CountingTreeSink::ShownCount() const {
    std::lock_guard lock(m_mutex);
    return m_u64Shown;
}

std::vector<std::uint64_t> CountingTreeSink::ShownBeforeEachRoot() const {
    std::lock_guard lock(m_mutex);
    return m_shownBeforeRoot;
}

}  // namespace testkit
