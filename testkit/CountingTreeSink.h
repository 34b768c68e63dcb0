#pragma once
// A tree sink that counts the nodes shown to it and keeps them, the roots (with how many nodes
// came before each) and the number of lost-files batches. Benchmarks that only count tell it
// not to keep the nodes.
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/IProgress.h"

namespace testkit {

class CountingTreeSink : public IDrirectoryTree {
public:
    explicit CountingTreeSink(bool bKeepNodes = true) : m_bKeepNodes(bKeepNodes) {}

    void ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int iLost) override;
    void ShowFilesystemNode(IFilesystemNode* pRoot) override;

    /// Every node shown, in order, also one shown twice; empty when the nodes are not kept.
    std::vector<IFileNode*> Nodes() const;
    std::vector<IFilesystemNode*> Roots() const;
    int LostBatches() const;
    std::uint64_t ShownCount() const;
    /// For each root, how many nodes had been shown when it came.
    std::vector<std::uint64_t> ShownBeforeEachRoot() const;

private:
    mutable std::mutex m_mutex;
    bool m_bKeepNodes;
    std::vector<IFileNode*> m_nodes;
    std::vector<IFilesystemNode*> m_roots;
    std::vector<std::uint64_t> m_shownBeforeRoot;
    int m_lostBatches = 0;
    std::uint64_t m_u64Shown = 0;
};

}  // namespace testkit
