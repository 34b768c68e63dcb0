// A chain of 200,000 folders, as corrupt metadata can produce, walked on a thread with the
// scan worker's 2 MiB stack: any recursive walk would overflow it.
#include "engine/FileNode.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "support/WorkerStack.h"
#include "testkit/TestFileNode.h"

namespace {

using testkit::CTestFileNode;

constexpr std::size_t kDepth = 200'000;
constexpr std::size_t kWorkerStack = testsupport::kScanWorkerStack;

using testsupport::RunWithStack;

/// Owns the chain in a flat vector, so freeing it needs no walk at all.
struct Chain {
    std::vector<std::unique_ptr<CTestFileNode>> nodes;
    CTestFileNode& Root() { return *nodes.front(); }
    CTestFileNode& Leaf() { return *nodes.back(); }
};

Chain BuildChain() {
    Chain chain;
    chain.nodes.reserve(kDepth);
    chain.nodes.push_back(std::make_unique<CTestFileNode>("root", true));
    for (std::size_t i = 1; i < kDepth; ++i) {
        chain.nodes.push_back(std::make_unique<CTestFileNode>("d", true));
        EXPECT_EQ(chain.nodes[i - 1]->AddChild(chain.nodes[i].get()), 1);
    }
    return chain;
}

bool AllChecked(Chain& chain, _tagCheckedStatus eStatus) {
    for (auto& pNode : chain.nodes)
        if (pNode->GetCheckedStatus() != eStatus) return false;
    return true;
}

bool AllShown(Chain& chain, int iShown) {
    for (auto& pNode : chain.nodes)
        if (pNode->IsNodeShow() != iShown) return false;
    return true;
}

TEST(FileNodeDeepTree, WalksWholeChainOnSmallStack) {
    RunWithStack(kWorkerStack, [] {
        Chain chain = BuildChain();

        chain.Leaf().SetCheck(CHECKED_STATUS_CHECKED);
        EXPECT_TRUE(AllChecked(chain, CHECKED_STATUS_CHECKED));
        chain.Leaf().SetCheck(CHECKED_STATUS_UNCHECKED);
        EXPECT_TRUE(AllChecked(chain, CHECKED_STATUS_UNCHECKED));

        chain.Root().SetCheck(CHECKED_STATUS_CHECKED);
        EXPECT_TRUE(AllChecked(chain, CHECKED_STATUS_CHECKED));
        chain.Root().SetCheck(CHECKED_STATUS_UNCHECKED);
        EXPECT_TRUE(AllChecked(chain, CHECKED_STATUS_UNCHECKED));

        chain.Leaf().ShowNode(0);
        EXPECT_TRUE(AllShown(chain, 0));
        chain.Leaf().ShowNode(1);
        EXPECT_TRUE(AllShown(chain, 1));

        // The root has no parent, so only the ancestor walk from the leaf can refuse it.
        EXPECT_EQ(chain.Leaf().AddChild(&chain.Root()), 0);
        EXPECT_EQ(chain.Root().GetParent(), nullptr);
        EXPECT_EQ(chain.Leaf().GetFirstChild(), nullptr);
    });
}

}  // namespace
