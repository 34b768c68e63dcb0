// A deleted FAT32 folder whose entry lost the high word of its first cluster: the fixture
// cleared it for "/gone/deleted tree", which lies past cluster 0x10000. The quick walk tries the
// high words in turn until the folder reads, so its files are listed and copy out byte-exact,
// and the cluster it settled on is announced on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "FatQuickScan.h"
#include "FatTestImages.h"
#include "engine/IFileNode.h"

namespace {

TEST(FatDeletedFolderRetryTest, AFolderThatLostItsHighWordIsReadFromTheClusterThatHoldsIt) {
    FAT_IMAGES_OR_SKIP();
    auto const deleted = fattest::ReadFiles(fattest::Image("fat32.deleted"));
    testing::internal::CaptureStdout();
    fattest::FatQuickScan scan(fattest::Image("fat32-retry.img"));
    std::string const output = testing::internal::GetCapturedStdout();
    ASSERT_EQ(scan.Result(), kResultSuccess);
    // The folder was handed to the tree under its old id, so its children are found by name
    // wherever the tree hangs them.
    for (auto const& [path, name] : {std::pair{"/gone/deleted tree/tree file.bin", "/tree file.bin"},
                                     std::pair{"/gone/deleted tree/sub folder/deep file.bin", "/sub folder/deep file.bin"}}) {
        SCOPED_TRACE(path);
        auto const expected = deleted.find(path);
        ASSERT_NE(expected, deleted.end());
        auto const found = std::find_if(scan.Deleted().begin(), scan.Deleted().end(),
                                        [&](auto const& entry) { return entry.first.ends_with(name); });
        ASSERT_NE(found, scan.Deleted().end());
        EXPECT_EQ(scan.Recover(found->second), expected->second.sha256);
    }
    // Every node announces its ids as it gets its properties; the retried folder's file names it.
    EXPECT_NE(output.find("=====tree file.bin====== Current:111dc Parent:111da\n"), std::string::npos);
    EXPECT_NE(output.find("\n ++++++++++++++++FirstCluNum=" + std::to_string(0x111DA) + ",fileName=deleted tree\n"),
              std::string::npos);
}

}  // namespace
