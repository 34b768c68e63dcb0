#include "support/FakeSinks.h"

namespace testsupport {

void FakeProgress::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (!pInfo) return;
    std::lock_guard lock(m_mutex);
    m_records.push_back(*pInfo);
}

int FakeProgress::Continued() {
    int call = ++m_calls;
    int stopAfter = m_stopAfter.load();
    return stopAfter == 0 || call < stopAfter;
}

std::vector<_PROGRESS_INFO> FakeProgress::Records() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

void FakeTreeSink::ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) {
    std::lock_guard lock(m_mutex);
    for (unsigned int i = 0; ppNodes && i < u32Count; ++i) m_nodes.push_back(ppNodes[i]);
    if (iLost) ++m_lostBatches;
}

void FakeTreeSink::ShowFilesystemNode(IFilesystemNode* pRoot) {
    std::lock_guard lock(m_mutex);
    m_roots.push_back(pRoot);
}

std::vector<IFileNode*> FakeTreeSink::Nodes() const {
    std::lock_guard lock(m_mutex);
    return m_nodes;
}
std::vector<IFilesystemNode*> FakeTreeSink::Roots() const {
    std::lock_guard lock(m_mutex);
    return m_roots;
}
int FakeTreeSink::LostBatches() const {
    std::lock_guard lock(m_mutex);
    return m_lostBatches;
}

}  // namespace testsupport
