#pragma once
// A tree builder with the pauses cut to nothing, a recording sink, a filter the test controls,
// and node makers. Nodes the builder refuses are freed here, as a searcher would.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/tree/DirectoryTreeBuilder.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/PassAllFilter.h"
#include "testkit/TestFileNode.h"

namespace treetest {

using testkit::CTestFileNode;

constexpr long long kRootID = 5;
constexpr _tagSearcherType kType = SEARCHER_TYPE_NTFS;

/// A test node that counts its own destruction, so tests can see what the builder released.
class CountedNode : public CTestFileNode {
public:
    CountedNode(char const* pszName, bool bDirectory, int& released)
        : CTestFileNode(pszName, bDirectory), m_released(released) {}
    ~CountedNode() override { ++m_released; }

private:
    int& m_released;
};

/// Builds after every node and never pauses: tests see each step's result at once.
inline TreeBuilderSettings ImmediateSettings() {
    TreeBuilderSettings settings;
    settings.u32BuildIntervalMs = 0;
    settings.u32RootShownPauseMs = 0;
    return settings;
}

class TreeBuilderTest : public ::testing::Test {
protected:
    explicit TreeBuilderTest(TreeBuilderSettings settings = ImmediateSettings(), bool bRestore = false)
        : m_pBuilder(std::make_unique<CDirectoryTreeBuilder>(bRestore, settings)) {
        m_pBuilder->Initialize("Disk", &m_sink, &m_filter);
        m_pBuilder->AddSearcherInfo(kType, kRootID);
    }

    CountedNode* Folder(long long s64ID, long long s64ParentID, char const* pszName = "folder") {
        return Node(s64ID, s64ParentID, pszName, true, 0);
    }
    CountedNode* File(long long s64ID, long long s64ParentID, char const* pszName = "file.txt",
                      long long s64Size = 100) {
        return Node(s64ID, s64ParentID, pszName, false, s64Size);
    }
    CountedNode* Node(long long s64ID, long long s64ParentID, char const* pszName, bool bFolder, long long s64Size) {
        auto* pNode = new CountedNode(pszName, bFolder, m_released);
        pNode->SetNodeID(s64ID);
        pNode->SetParentNodeID(s64ParentID);
        pNode->SetFileSize(s64Size);
        return pNode;
    }

    /// AddNode as a searcher calls it: a refused node is freed by the caller.
    int Add(CTestFileNode* pNode, _tagSearcherType eType = kType) {
        int const taken = m_pBuilder->AddNode(pNode, eType);
        if (!taken) pNode->Release();
        return taken;
    }

    bool WasShown(IFileNode const* pNode) const {
        for (IFileNode* pShown : m_sink.Nodes())
            if (pShown == pNode) return true;
        return false;
    }

    /// The node of that name handed to the sink, or null.
    IFileNode* ShownNamed(std::string const& name) const {
        for (IFileNode* pShown : m_sink.Nodes())
            if (CFileNode::NameOrEmpty(pShown->GetFileName()) == name) return pShown;
        return nullptr;
    }

    IFileNode* Root() const { return m_sink.Roots().empty() ? nullptr : m_sink.Roots().front(); }

    /// Every node below the first root, by following child and sibling links. Reading them
    /// under AddressSanitizer proves none of them has been freed.
    std::vector<IFileNode*> ReachableFromRoot() const {
        std::vector<IFileNode*> reached;
        if (!Root()) return reached;
        std::vector<IFileNode*> stack{Root()->GetFirstChild()};
        while (!stack.empty()) {
            IFileNode* pNode = stack.back();
            stack.pop_back();
            if (!pNode) continue;
            reached.push_back(pNode);
            stack.push_back(pNode->GetNextNode());
            stack.push_back(pNode->GetFirstChild());
        }
        return reached;
    }

    testkit::PassAllFilter m_filter;
    testkit::CountingTreeSink m_sink;
    int m_released = 0;
    std::unique_ptr<CDirectoryTreeBuilder> m_pBuilder;
};

}  // namespace treetest
