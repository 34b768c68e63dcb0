// The packed state word, name filtering and duplicate comparison of CFileNode.
#include "engine/FileNode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/DataRunList.h"
#include "testkit/TestFileNode.h"

namespace {

using testkit::CTestFileNode;

TEST(FileNodeState, NewNodeIsUncheckedShownWithoutPartitionOrSector) {
    CTestFileNode node;
    EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(node.IsNodeShow(), 1);
    EXPECT_EQ(node.GetBelongedPartition(), 0xFFFF);
    EXPECT_EQ(node.GetMetadataStartPosition(), -1);
}

TEST(FileNodeState, FieldsRoundTripWithoutDisturbingEachOther) {
    long long const sectors[] = {0, 1, -1, -2, 0x12345678, (1LL << 39) - 1, -(1LL << 39)};
    unsigned short const partitions[] = {0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
    for (long long const s64Sector : sectors) {
        for (unsigned short const u16Partition : partitions) {
            SCOPED_TRACE(testing::Message() << "sector " << s64Sector << " partition " << u16Partition);
            CTestFileNode node;
            node.SetCheck(CHECKED_STATUS_CHECKED);
            node.ShowNode(0);
            node.SetBelongedPartition(u16Partition);
            node.SetMetaDataSector(s64Sector);
            EXPECT_EQ(node.GetMetadataStartPosition(), s64Sector);
            EXPECT_EQ(node.GetBelongedPartition(), u16Partition);
            EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
            EXPECT_EQ(node.IsNodeShow(), 0);

            node.SetBelongedPartition(3);
            EXPECT_EQ(node.GetMetadataStartPosition(), s64Sector);
            EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_CHECKED);
        }
    }
}

TEST(FileNodeState, CloneCopiesOwnValuesAndRunsButNoLinks) {
    CTestFileNode parent;
    CTestFileNode node("file.txt");
    CTestFileNode child;
    parent.AddChild(&node);
    node.AddChild(&child);
    node.SetNodeID(42);
    node.SetParentNodeID(7);
    node.SetBelongedPartition(2);
    node.SetMetaDataSector(-3);
    node.SetCompressed(1);
    ReleasePtr<IDataRunList> runs(CreateDataRunList());
    DataRun const run{5, 6};
    runs->AddDataRun(&run);
    node.SetDataRunList(std::move(runs));

    ReleasePtr<IFileNode> copy(node.Clone());
    auto& clone = dynamic_cast<CTestFileNode&>(*copy);
    EXPECT_TRUE(clone == node);
    EXPECT_EQ(clone.GetMetadataStartPosition(), -3);
    EXPECT_EQ(clone.IsCompressed(), 1);
    EXPECT_EQ(clone.GetParent(), nullptr);
    EXPECT_EQ(clone.GetFirstChild(), nullptr);
    ASSERT_NE(clone.GetDataRunList(), nullptr);
    EXPECT_NE(clone.GetDataRunList(), node.GetDataRunList());
    EXPECT_EQ(clone.GetDataRunList()->GetFirst()->s64Length, 6);
}

TEST(FileNodeIsSelfOrParentName, OnlyDotAndDotDot) {
    for (char const* pszName : {".", ".."})
        EXPECT_TRUE(CFileNode::IsSelfOrParentName(pszName)) << '"' << pszName << '"';
    for (char const* pszName : {"", ".bashrc", ".git", "...", " .", ". ", "..hidden", "abc"})
        EXPECT_FALSE(CFileNode::IsSelfOrParentName(pszName)) << '"' << pszName << '"';
}

TEST(FileNodeEquality, ComparesIdsFolderFlagNameAndPartitionOfFiles) {
    auto make = [](char const* pszName, bool bFolder, unsigned short u16Partition) {
        auto pNode = std::make_unique<CTestFileNode>(pszName, bFolder);
        pNode->SetNodeID(10);
        pNode->SetParentNodeID(5);
        pNode->SetBelongedPartition(u16Partition);
        return pNode;
    };
    auto file = make("a", false, 1);
    EXPECT_TRUE(*file == *make("a", false, 1));
    EXPECT_FALSE(*file == *make("b", false, 1));
    EXPECT_FALSE(*file == *make("a", true, 1));
    EXPECT_FALSE(*file == *make("a", false, 2));
    // Folders are matched across partitions: the partition counts only when `other` is a file.
    EXPECT_TRUE(*make("d", true, 1) == *make("d", true, 2));

    auto otherId = make("a", false, 1);
    otherId->SetNodeID(11);
    EXPECT_FALSE(*file == *otherId);
    auto otherParent = make("a", false, 1);
    otherParent->SetParentNodeID(6);
    EXPECT_FALSE(*file == *otherParent);

    // A null name equals an empty one.
    EXPECT_TRUE(*make(nullptr, false, 1) == *make("", false, 1));
    EXPECT_FALSE(*make(nullptr, false, 1) == *make("a", false, 1));
}

}  // namespace
