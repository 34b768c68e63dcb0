// Quick scans of FAT12, FAT16 and FAT32 images that mkfs.fat and mtools built (tests/fixtures/fat):
// the scanned tree must equal what mtools extracts, and every live file and every deleted file
// whose clusters survived must copy out byte-exact. Real images catch what hand-made bytes miss:
// long names as mtools writes them, folder chains that interleave, clusters reused by new files,
// 4096-byte sectors, and a FAT far larger than a whole-table load once allowed.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>

#include "FatQuickScan.h"
#include "FatTestImages.h"
#include "engine/IFileNode.h"

namespace {

using fattest::ExpectEachRecovered;
using fattest::Expected;
using fattest::FatQuickScan;

struct Volume {
    char const* pszName;  // the image's base name in the fixture folder
    int iSectorSize;
};
void PrintTo(Volume const& volume, std::ostream* pOut) {
    *pOut << volume.pszName << " (" << volume.iSectorSize << "-byte sectors)";
}

class FatQuickScanTest : public ::testing::TestWithParam<Volume> {
protected:
    void SetUp() override { FAT_IMAGES_OR_SKIP(); }
    std::string Image(char const* pszSuffix) const {
        return fattest::Image(std::string(GetParam().pszName) + pszSuffix);
    }
};

TEST_P(FatQuickScanTest, TheLiveTreeEqualsTheMtoolsListingAndCopiesOutByteExact) {
    FatQuickScan scan(Image(".img"), GetParam().iSectorSize);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    std::map<std::string, Expected> const expected = fattest::ReadFiles(Image(".manifest"));
    ASSERT_FALSE(expected.empty());
    ExpectEachRecovered(scan, scan.Live(), expected, "live");
    for (auto const& [path, pNode] : scan.Live()) EXPECT_TRUE(expected.count(path)) << "unexpected live file " << path;
}

TEST_P(FatQuickScanTest, DeletedFilesWhoseClustersSurvivedCopyOutByteExact) {
    FatQuickScan scan(Image(".img"), GetParam().iSectorSize);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    std::map<std::string, Expected> const expected = fattest::ReadFiles(Image(".deleted"));
    ASSERT_FALSE(expected.empty());
    ExpectEachRecovered(scan, scan.Deleted(), expected, "deleted");
}

INSTANTIATE_TEST_SUITE_P(Images, FatQuickScanTest,
                         ::testing::Values(Volume{"fat12", 512}, Volume{"fat16", 512}, Volume{"fat32", 512},
                                           Volume{"fat12-4k", 4096}, Volume{"fat16-4k", 4096}, Volume{"fat32-4k", 4096},
                                           Volume{"fat32-big", 512}),
                         [](auto const& param) {
                             std::string name = param.param.pszName;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

/// The images whose script deleted /A/OLD and then made /B/NEW.
class FatFolderReuseTest : public FatQuickScanTest {};

TEST_P(FatFolderReuseTest, AFileInAFolderThatTookADeletedFoldersClusterStaysLiveUnderIt) {
    FatQuickScan scan(Image(".img"), GetParam().iSectorSize);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    EXPECT_TRUE(scan.Live().count("/B/NEW/new.bin"));
    for (auto const& [path, pNode] : scan.Deleted()) EXPECT_EQ(path.find("/B/NEW"), std::string::npos) << path;
}

INSTANTIATE_TEST_SUITE_P(Images, FatFolderReuseTest,
                         ::testing::Values(Volume{"fat12", 512}, Volume{"fat16", 512}, Volume{"fat32", 512}),
                         [](auto const& param) { return std::string(param.param.pszName); });

}  // namespace
