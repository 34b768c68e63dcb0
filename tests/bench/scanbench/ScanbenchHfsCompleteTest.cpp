// scanbench complete over the GPT disk whose map and HFS+ primary header are both zeroed
// (tests/fixtures/hfsplus/make_disks.sh): with the HFS+ searcher alone it finds the volume from
// its alternate header and writes every file byte-exact at its path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScanbenchRun.h"
#include "support/Manifest.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

TEST(ScanbenchHfsComplete, WritesEveryFileOfAVolumeWithoutMapOrPrimaryHeader) {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    std::string const folder = std::string(pszTmp != nullptr ? pszTmp : "") + "/hfsplus-disks";
    if (pszTmp == nullptr || !std::filesystem::exists(folder + "/gpt_noheader.img"))
        GTEST_SKIP() << "the HFS+ disks were not built";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    testsupport::TempDir dir;
    std::string const out = dir.File("out");
    scanbenchtest::ScanbenchRun const run =
        scanbenchtest::RunScanbench(dir, "complete " + folder + "/gpt_noheader.img --searchers hfs --out " + out);
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("failures"), "0");
    int iChecked = 0;
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/volume_A.manifest")) {
        if (entry.bFolder || entry.s64Size == 0) continue;
        EXPECT_EQ(testsupport::Sha256OfFile(out + "/Disk(HFS+)" + path), entry.sha256) << path;
        ++iChecked;
    }
    EXPECT_GT(iChecked, 150);
}

}  // namespace
