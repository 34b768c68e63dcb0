// Quick scans of damaged and unusual FAT volumes that mkfs.fat and mtools built
// (tests/fixtures/fat/make_images.sh, damaged_images): a partial image whose chains run past its
// end, a table whose links fail the checks, removable media, one FAT copy, a NUL-padded type
// string, and a deleted file that was written into the holes between live files. Each lists
// every file the oracle lists and copies the intact ones out byte-exact; a file whose clusters
// the cut image lacks must fail to copy rather than copy out other bytes.
#include <gtest/gtest.h>

#include <string>

#include "FatQuickScan.h"
#include "FatTestImages.h"

namespace {

struct Volume {
    char const* pszCase;
    char const* pszImage;  // base name in the fixture folder
};
void PrintTo(Volume const& volume, std::ostream* pOut) { *pOut << volume.pszImage; }

class FatDamagedVolumeTest : public ::testing::TestWithParam<Volume> {};

TEST_P(FatDamagedVolumeTest, ListsEveryFileAndCopiesTheIntactOnesOutByteExact) {
    FAT_IMAGES_OR_SKIP();
    std::string const base = fattest::Image(GetParam().pszImage);
    fattest::FatQuickScan scan(base + ".img");
    ASSERT_EQ(scan.Result(), kResultSuccess);
    auto const live = fattest::ReadFiles(base + ".manifest");
    ASSERT_FALSE(live.empty());
    fattest::ExpectEachRecovered(scan, scan.Live(), live, "live");
    fattest::ExpectEachRecovered(scan, scan.Deleted(), fattest::ReadFiles(base + ".deleted"), "deleted");
    fattest::ExpectEachRecovered(scan, scan.Live(), fattest::ReadFiles(base + ".unreadable"), "live", false);
}

INSTANTIATE_TEST_SUITE_P(
    Images, FatDamagedVolumeTest,
    ::testing::Values(Volume{"Fat32CutTo30MiB", "fat32-cut"}, Volume{"Fat32CrossLinked", "fat32-crosslink"},
                      Volume{"Fat16RemovableMedia", "fat16-f0"}, Volume{"Fat32OneFatCopy", "fat32-1fat"},
                      Volume{"Fat16NulPaddedType", "fat16-nul"}, Volume{"Fat16DeletedFileInTheHoles", "fat16-holes"}),
    [](auto const& param) { return std::string(param.param.pszCase); });

}  // namespace
