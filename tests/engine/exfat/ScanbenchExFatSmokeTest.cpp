// scanbench quick on an exFAT image and complete on a disk whose main boot region is gone: the
// harness finds the exFAT volume, lists what the mounted file system held, and writes every
// non-empty file out with its original bytes at its path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ExFatImageScan.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

std::string Scanbench() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    fs::path const program = fs::path(pszTmp).parent_path() / "bench/scanbench";
    return fs::exists(program) ? program.string() : std::string();
}

TEST(ScanbenchExFatSmokeTest, QuickScanOfAnImageWritesTheFilesOut) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the exFAT images were not built";
    std::string const program = Scanbench();
    if (program.empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    testsupport::TempDir temp;
    std::string const out = temp.File("out");
    std::string const log = temp.File("log");
    // The listing and the log apart: in one file a log line could land inside a listed line.
    testsupport::RunCommand(program + " quick " + folder + "/exfat_4k.img --out " + out + " >" + log + " 2>" + log +
                            ".err");
    std::stringstream text;
    for (std::string const& name : {log, log + ".err"}) text << std::ifstream(name).rdbuf();
    EXPECT_NE(text.str().find("file system 7"), std::string::npos) << text.str();

    // A bare volume's files go under the one folder named for it.
    fs::path const root = fs::directory_iterator(out)->path() / "Disk(ExFat)";
    int iChecked = 0;
    for (auto const& [path, entry] : exfattest::LoadManifest(folder + "/exfat_4k.manifest")) {
        if (entry.bFolder || entry.s64Size == 0) continue;
        EXPECT_EQ(testsupport::Sha256OfFile((root / path.substr(1)).string()), entry.sha256) << path;
        ++iChecked;
    }
    EXPECT_GT(iChecked, 500);
    for (auto const& [path, entry] : exfattest::LoadManifest(folder + "/exfat_4k.deleted"))
        EXPECT_EQ(testsupport::Sha256OfFile((root / path.substr(1)).string()), entry.sha256) << path;
}

/// The "Disk(ExFat)" folder scanbench wrote under `out`; empty when there is none.
fs::path ExFatFolder(fs::path const& out) {
    for (auto const& entry : fs::recursive_directory_iterator(out))
        if (entry.is_directory() && entry.path().filename() == "Disk(ExFat)") return entry.path();
    return {};
}

TEST(ScanbenchExFatSmokeTest, CompleteScanOfADiskWithoutItsMainBootSectorWritesTheFilesOut) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty() || !fs::exists(folder + "/exfat_disk_b.img")) GTEST_SKIP() << "the exFAT images were not built";
    std::string const program = Scanbench();
    if (program.empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    testsupport::TempDir temp;
    std::string const out = temp.File("out");
    testsupport::RunCommand(program + " complete " + folder + "/exfat_disk_b.img --out " + out + " >" +
                            temp.File("log") + " 2>&1");
    fs::path const root = ExFatFolder(out);
    ASSERT_FALSE(root.empty());
    int iChecked = 0;
    for (char const* pszList : {"/exfat_4k.manifest", "/exfat_4k.deleted"}) {
        for (auto const& [path, entry] : exfattest::LoadManifest(folder + pszList)) {
            if (entry.bFolder || entry.s64Size == 0) continue;
            EXPECT_EQ(testsupport::Sha256OfFile((root / path.substr(1)).string()), entry.sha256) << path;
            ++iChecked;
        }
    }
    EXPECT_GT(iChecked, 500);
}

}  // namespace
