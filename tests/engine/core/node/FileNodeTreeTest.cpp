// Tree links, shown-state and check-state propagation of CFileNode.
#include "engine/FileNode.h"

#include <gtest/gtest.h>

#include <vector>

#include "testkit/TestFileNode.h"

namespace {

using testkit::CTestFileNode;

std::vector<IFileNode*> Children(IFileNode& node) {
    std::vector<IFileNode*> children;
    for (IFileNode* p = node.GetFirstChild(); p; p = p->GetNextNode()) children.push_back(p);
    return children;
}

std::vector<IFileNode*> Siblings(IFileNode& node) {
    std::vector<IFileNode*> chain;
    for (IFileNode* p = &node; p; p = p->GetNextNode()) chain.push_back(p);
    return chain;
}

TEST(FileNodeAddChild, ChildrenRunNewestFirst) {
    CTestFileNode folder;
    CTestFileNode first;
    CTestFileNode second;
    ASSERT_EQ(folder.AddChild(&first), 1);
    ASSERT_EQ(folder.AddChild(&second), 1);
    EXPECT_EQ(Children(folder), (std::vector<IFileNode*>{&second, &first}));
    EXPECT_EQ(first.GetParent(), &folder);
    EXPECT_EQ(second.GetParent(), &folder);
    EXPECT_EQ(folder.GetChildCount(), 2u);
}

TEST(FileNodeAddChild, RefusesLoopsAndSecondParentsLeavingTreeUnchanged) {
    // root -> middle -> leaf, plus a lone folder with a child of its own.
    CTestFileNode root;
    CTestFileNode middle;
    CTestFileNode leaf;
    CTestFileNode other;
    CTestFileNode otherChild;
    ASSERT_EQ(root.AddChild(&middle), 1);
    ASSERT_EQ(middle.AddChild(&leaf), 1);
    ASSERT_EQ(other.AddChild(&otherChild), 1);

    struct Case {
        char const* pszWhat;
        CFileNode* pParent;
        IFileNode* pChild;
    };
    Case const cases[] = {
        {"parent", &leaf, &middle},
        {"grandparent", &leaf, &root},
        {"self", &middle, &middle},
        {"null", &middle, nullptr},
        {"child of another folder", &leaf, &otherChild},
        {"own child again", &middle, &leaf},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(c.pParent->AddChild(c.pChild), 0);
        EXPECT_EQ(Children(root), std::vector<IFileNode*>{&middle});
        EXPECT_EQ(Children(middle), std::vector<IFileNode*>{&leaf});
        EXPECT_TRUE(Children(leaf).empty());
        EXPECT_EQ(Children(other), std::vector<IFileNode*>{&otherChild});
        EXPECT_EQ(root.GetParent(), nullptr);
        EXPECT_EQ(middle.GetParent(), &root);
        EXPECT_EQ(leaf.GetParent(), &middle);
        EXPECT_EQ(otherChild.GetParent(), &other);
        EXPECT_EQ(root.GetChildCount(), 1u);
        EXPECT_EQ(middle.GetChildCount(), 1u);
        EXPECT_EQ(leaf.GetChildCount(), 0u);
    }
    // A parentless folder from another tree may still be hung in.
    EXPECT_EQ(leaf.AddChild(&other), 1);
}

TEST(FileNodeAddChild, HiddenChildIsNotCounted) {
    CTestFileNode folder;
    CTestFileNode hidden;
    hidden.ShowNode(0);
    ASSERT_EQ(folder.AddChild(&hidden), 1);
    EXPECT_EQ(folder.GetChildCount(), 0u);
    hidden.ShowNode(1);
    EXPECT_EQ(folder.GetChildCount(), 1u);
}

TEST(FileNodeAddNext, InsertsBehindThisNode) {
    CTestFileNode a;
    CTestFileNode b;
    CTestFileNode c;
    ASSERT_EQ(a.AddNext(&c), 1);
    ASSERT_EQ(a.AddNext(&b), 1);
    EXPECT_EQ(Siblings(a), (std::vector<IFileNode*>{&a, &b, &c}));
    EXPECT_EQ(a.AddNext(nullptr), 0);
    EXPECT_EQ(a.AddNext(&a), 0);
    EXPECT_EQ(Siblings(a), (std::vector<IFileNode*>{&a, &b, &c}));
}

TEST(FileNodeAddNext, WeavesTwoChainsAlternately) {
    // a -> b -> c, then a.AddNext(x) with x -> y: x goes behind a, b behind x, y behind b, ...
    CTestFileNode a, b, c, x, y;
    a.AddNext(&c);
    a.AddNext(&b);
    x.AddNext(&y);
    ASSERT_EQ(a.AddNext(&x), 1);
    EXPECT_EQ(Siblings(a), (std::vector<IFileNode*>{&a, &x, &b, &y, &c}));
}

TEST(FileNodeShow, HidingOnlyShownChildHidesFolderChainAndShowingRestoresIt) {
    CTestFileNode grandparent;
    CTestFileNode folder;
    CTestFileNode leaf;
    grandparent.AddChild(&folder);
    folder.AddChild(&leaf);

    leaf.ShowNode(0);
    EXPECT_EQ(leaf.IsNodeShow(), 0);
    EXPECT_EQ(folder.IsNodeShow(), 0);
    EXPECT_EQ(grandparent.IsNodeShow(), 0);

    leaf.ShowNode(1);
    EXPECT_EQ(leaf.IsNodeShow(), 1);
    EXPECT_EQ(folder.IsNodeShow(), 1);
    EXPECT_EQ(grandparent.IsNodeShow(), 1);
    EXPECT_EQ(folder.GetChildCount(), 1u);
    EXPECT_EQ(grandparent.GetChildCount(), 1u);
}

TEST(FileNodeShow, FolderStaysShownWhileAnotherChildIsShown) {
    CTestFileNode grandparent;
    CTestFileNode folder;
    CTestFileNode hiddenLeaf;
    CTestFileNode shownLeaf;
    grandparent.AddChild(&folder);
    folder.AddChild(&hiddenLeaf);
    folder.AddChild(&shownLeaf);

    hiddenLeaf.ShowNode(0);
    hiddenLeaf.ShowNode(0);  // repeating a hide must not count twice
    EXPECT_EQ(folder.IsNodeShow(), 1);
    EXPECT_EQ(folder.GetChildCount(), 1u);
    EXPECT_EQ(grandparent.IsNodeShow(), 1);

    shownLeaf.ShowNode(0);
    EXPECT_EQ(folder.IsNodeShow(), 0);
    EXPECT_EQ(grandparent.IsNodeShow(), 0);
}

class FileNodeCheck : public testing::Test {
protected:
    // root -> folder -> {first, second}
    void SetUp() override {
        m_root.AddChild(&m_folder);
        m_folder.AddChild(&m_first);
        m_folder.AddChild(&m_second);
    }
    std::vector<int> States() {
        return {m_root.GetCheckedStatus(), m_folder.GetCheckedStatus(), m_first.GetCheckedStatus(),
                m_second.GetCheckedStatus()};
    }

    CTestFileNode m_root;
    CTestFileNode m_folder;
    CTestFileNode m_first;
    CTestFileNode m_second;
};

TEST_F(FileNodeCheck, ChildrenMakeParentsMixedThenCheckedThenUnchecked) {
    m_first.SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 2, 0}));
    m_second.SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(States(), (std::vector<int>{2, 2, 2, 2}));
    m_first.SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 0, 2}));
    m_second.SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(States(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(FileNodeCheck, CheckingFolderChecksSubtreeAndParent) {
    m_folder.SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(States(), (std::vector<int>{2, 2, 2, 2}));
    // The folder's weight came from the downward pass: one child unchecked makes it mixed.
    m_second.SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(States(), (std::vector<int>{1, 1, 2, 0}));
    m_root.SetCheck(CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(States(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(FileNodeCheck, RefusedStatesAndHiddenNodesChangeNothing) {
    m_first.SetCheck(CHECKED_STATUS_CHECKED);
    std::vector<int> const before = States();

    m_second.SetCheck(CHECKED_STATUS_MIXED);
    EXPECT_EQ(States(), before);
    m_second.SetCheck(static_cast<_tagCheckedStatus>(3));
    EXPECT_EQ(States(), before);
    m_second.SetCheck(static_cast<_tagCheckedStatus>(-1));
    EXPECT_EQ(States(), before);

    m_second.ShowNode(0);
    m_second.SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(m_second.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(m_root.GetCheckedStatus(), CHECKED_STATUS_MIXED);
}

TEST(FileNodeCheckDown, SkipsHiddenNodesStateButVisitsTheirDescendants) {
    // root -> {hidden -> below, shown}
    CTestFileNode root;
    CTestFileNode hidden;
    CTestFileNode below;
    CTestFileNode shown;
    root.AddChild(&hidden);
    hidden.AddChild(&below);
    root.AddChild(&shown);
    hidden.ShowNode(0);
    ASSERT_EQ(root.IsNodeShow(), 1);

    root.SetCheck(CHECKED_STATUS_CHECKED);
    EXPECT_EQ(root.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
    EXPECT_EQ(shown.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
    EXPECT_EQ(hidden.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(below.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
}

}  // namespace
