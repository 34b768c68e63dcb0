// A deleted FAT32 folder whose entry lost the high word of its first cluster: the fixture
// cleared it for "/gone/deleted tree", which lies past cluster 0x10000. The quick walk tries the
// high words in turn until the folder reads, before the tree sees the folder, so its files are
// listed under it and copy out byte-exact, and the cluster it settled on is announced on
// standard error.
#include <gtest/gtest.h>

#include <string>

#include "FatQuickScan.h"
#include "FatTestImages.h"
#include "engine/IFileNode.h"

namespace {

TEST(FatDeletedFolderRetryTest, AFolderThatLostItsHighWordIsReadFromTheClusterThatHoldsIt) {
    FAT_IMAGES_OR_SKIP();
    auto const deleted = fattest::ReadFiles(fattest::Image("fat32.deleted"));
    testing::internal::CaptureStderr();
    fattest::FatQuickScan scan(fattest::Image("fat32-retry.img"));
    std::string const output = testing::internal::GetCapturedStderr();
    ASSERT_EQ(scan.Result(), kResultSuccess);
    for (char const* pszPath : {"/gone/deleted tree/tree file.bin", "/gone/deleted tree/sub folder/deep file.bin"}) {
        SCOPED_TRACE(pszPath);
        auto const expected = deleted.find(pszPath);
        ASSERT_NE(expected, deleted.end());
        auto const found = scan.Deleted().find(pszPath);
        ASSERT_NE(found, scan.Deleted().end());
        EXPECT_EQ(scan.Recover(found->second), expected->second.sha256);
    }
    // Every node announces its ids as it gets its properties; the retried folder's file names it.
    EXPECT_NE(output.find("=====tree file.bin====== Current:111e3 Parent:111e1\n"), std::string::npos);
    EXPECT_NE(output.find("\n ++++++++++++++++FirstCluNum=" + std::to_string(0x111E1) + ",fileName=deleted tree\n"),
              std::string::npos);
}

}  // namespace
