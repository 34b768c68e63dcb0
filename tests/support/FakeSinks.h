#pragma once
// Progress and tree sinks that record what the engine reports.
#include <atomic>
#include <mutex>
#include <vector>

#include "engine/IProgress.h"

namespace testsupport {

class FakeProgress : public IProgress {
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

class FakeTreeSink : public IDrirectoryTree {
public:
    void ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) override;
    void ShowFilesystemNode(IFilesystemNode* pRoot) override;

    std::vector<IFileNode*> Nodes() const;
    std::vector<IFilesystemNode*> Roots() const;
    int LostBatches() const;

private:
    mutable std::mutex m_mutex;
    std::vector<IFileNode*> m_nodes;
    std::vector<IFilesystemNode*> m_roots;
    int m_lostBatches = 0;
};

}  // namespace testsupport
