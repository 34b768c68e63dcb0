// scanbench complete over the disk of two FAT volumes whose partition table and FAT16 boot
// sector are wiped (tests/fixtures/fat/make_images.sh): with the FAT searcher alone it writes
// every live file of both volumes byte-exact at its path under its own root, and it refuses a searcher it does not
// know.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ScanbenchRun.h"
#include "engine/fat/FatTestImages.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

TEST(ScanbenchFatComplete, WritesEveryFileOfBothLostVolumes) {
    FAT_IMAGES_OR_SKIP();
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    testsupport::TempDir dir;
    std::string const out = dir.File("out");
    scanbenchtest::ScanbenchRun const run = scanbenchtest::RunScanbench(
        dir, "complete " + fattest::Image("complete-two.img") + " --searchers fat --out " + out);
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("failures"), "0");
    EXPECT_EQ(run.result.at("file_systems"), "2");
    // Each volume under a root of its own: their files never meet in one folder.
    for (auto const& [pszManifest, pszRoot] : {std::pair{"complete-two-1.manifest", "/Disk(FAT_FAT32)"},
                                               {"complete-two-2.manifest", "/Disk 2(FAT_FAT32)"}}) {
        for (auto const& [path, file] : fattest::ReadFiles(fattest::Image(pszManifest))) {
            SCOPED_TRACE(path);
            EXPECT_EQ(testsupport::Sha256OfFile(out + pszRoot + path), file.sha256);
        }
    }
}

TEST(ScanbenchFatComplete, AnUnknownSearcherIsAUsageError) {
    FAT_IMAGES_OR_SKIP();
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    testsupport::TempDir dir;
    scanbenchtest::ScanbenchRun const run =
        scanbenchtest::RunScanbench(dir, "complete " + fattest::Image("complete-two.img") + " --searchers fat,floppy");
    EXPECT_EQ(run.iExit, 2);
}

}  // namespace
