// An NTFS node made from properties keeps its name behind it in its own block: renames,
// trims and clones must leave every name intact and free each block once (ASan checks that).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/ntfs/NTFSFileNode.h"
#include "engine/ntfs/NTFSFileProperties.h"

namespace {

ReleasePtr<CNTFSFileNode> NodeNamed(char const* pszName) {
    auto pProperties = std::make_unique<CNTFSFileProperties>();
    if (pszName) pProperties->SetFileName(pszName);
    pProperties->SetFileSize(1234);
    pProperties->SetState(CNTFSFileProperties::kStateDeleted);
    return CNTFSFileNode::FromProperties(std::move(pProperties));
}

TEST(NtfsFileNodeTest, NameBehindTheNodeSurvivesRenamesAndClones) {
    ReleasePtr<CNTFSFileNode> pNode = NodeNamed(" .photo.jpg");
    ASSERT_NE(pNode->GetFileName(), nullptr);
    EXPECT_STREQ(pNode->GetFileName(), " .photo.jpg");
    EXPECT_EQ(pNode->GetFileSize(), 1234);
    EXPECT_EQ(pNode->IsDeleted(), 1);

    // The clone copies the name out: it outlives the node it came from.
    ReleasePtr<CNTFSFileNode> pClone(static_cast<CNTFSFileNode*>(pNode->Clone()));
    EXPECT_TRUE(pNode->RenameFound("a much longer name than the one the node was made with.jpg"));
    EXPECT_STREQ(pNode->GetFileName(), "a much longer name than the one the node was made with.jpg");
    EXPECT_EQ(pNode->IsDeleted(), 1);  // the name's bit is not the deleted bit
    pNode.reset();
    EXPECT_STREQ(pClone->GetFileName(), " .photo.jpg");
    EXPECT_TRUE(pClone->RenameFound("x"));
    EXPECT_STREQ(pClone->GetFileName(), "x");

    EXPECT_EQ(NodeNamed(nullptr)->GetFileName(), nullptr);
    EXPECT_STREQ(NodeNamed("")->GetFileName(), "");
}

}  // namespace
