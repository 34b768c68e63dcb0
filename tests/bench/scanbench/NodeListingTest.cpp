// The per-node listing is read line by line and field by field: a name found on a damaged or
// crafted volume must not add a line or a field of its own.
#include "bench/scanbench/NodeListing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "testkit/TestFileNode.h"

namespace {

using testkit::CTestFileNode;

TEST(NodeListingTest, PathsRunFromTheTopAndKeepEveryNameOnOneField) {
    // Nodes do not free their children: all three live on the stack.
    CTestFileNode root("Disk(FAT/FAT32)", true);
    CTestFileNode folder("a\tb", true);
    CTestFileNode file("x\nRESULT mode=quick result=0x0\\.jpg");
    CTestFileNode* pFolder = &folder;
    CTestFileNode* pFile = &file;
    ASSERT_TRUE(root.AddChild(pFolder));
    ASSERT_TRUE(pFolder->AddChild(pFile));

    EXPECT_EQ(scanbench::TreePath(pFolder), "/Disk(FAT/FAT32)/a\\x09b");
    EXPECT_EQ(scanbench::TreePath(pFile), "/Disk(FAT/FAT32)/a\\x09b/x\\x0aRESULT mode=quick result=0x0\\\\.jpg");
    EXPECT_EQ(scanbench::ChainToTop(pFile).back(), &root);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pOut(std::tmpfile(), &std::fclose);
    ASSERT_TRUE(pOut);
    pFile->SetFileSize(7);
    scanbench::PrintNodes({pFolder, pFile}, false, pOut.get());
    std::rewind(pOut.get());
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), pOut.get()));
    EXPECT_EQ(text,
              "node\tlive\t/Disk(FAT/FAT32)/a\\x09b/\t0\n"
              "node\tlive\t/Disk(FAT/FAT32)/a\\x09b/x\\x0aRESULT mode=quick result=0x0\\\\.jpg\t7\n");
}

}  // namespace
