// Quick scans of FAT32, exFAT and NTFS volumes that hold a Windows recycle bin and Mac trash
// folders, built by mtools, exfat-fuse and ntfs-3g (tests/fixtures/recycle/make_images.sh):
// recycled files come back deleted under the names their index files record (on NTFS read from
// inside their FILE records) and copy out byte-exact, index files are not shown, trash contents
// are deleted, and a user's own "$" files outside bins stay live.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>

#include "FatQuickScan.h"
#include "engine/IFileNode.h"
#include "support/EnvironmentScope.h"
#include "support/TempDir.h"

namespace {

using fattest::Expected;
using fattest::FatQuickScan;

constexpr char kBin[] = "/$RECYCLE.BIN/";

struct Images {
    testsupport::TempDir dir;
    int iExit = -1;
};

Images const& BuiltImages() {
    static Images const* const pImages = [] {
        auto* pBuilt = new Images;  // lives as long as the process: the images are read to the end
        std::string const script = std::string(QUORIN_SOURCE_DIR) + "/tests/fixtures/recycle/make_images.sh";
        pBuilt->iExit = testsupport::RunCommand("bash '" + script + "' '" + pBuilt->dir.Path() + "' >/dev/null 2>&1");
        return pBuilt;
    }();
    return *pImages;
}

/// What a scan must show, by path: live files and deleted files apart.
struct Expectations {
    std::map<std::string, Expected> live;
    std::map<std::string, Expected> deleted;
};

Expectations ReadExpected(std::string const& path, bool bHomeIsUsersMe) {
    Expectations result;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string state, file, size, sha256;
        if (!std::getline(fields, state, '\t') || !std::getline(fields, file, '\t') ||
            !std::getline(fields, size, '\t') || !std::getline(fields, sha256))
            continue;
        bool const bDeleted = state == "D" || (state == "H" && bHomeIsUsersMe);
        (bDeleted ? result.deleted : result.live)[file] = {std::stoll(size), sha256};
    }
    return result;
}

struct Case {
    char const* pszLabel;
    char const* pszImage;  // base name in the fixture folder
    _tagSearcherType eType;
    char const* pszHome;  // null: HOME unset
    bool bUserTrash;      // HOME names /Users/me, so its .Trash is the user's trash
};
void PrintTo(Case const& scanCase, std::ostream* pOut) { *pOut << scanCase.pszLabel; }

class RecycleBinScanTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        Images const& images = BuiltImages();
        if (images.iExit != 0)
            GTEST_SKIP() << "the fixture script could not build the images (exit " << images.iExit << ")";
        m_image = images.dir.File(std::string(GetParam().pszImage) + ".img");
        if (!std::filesystem::exists(m_image))
            GTEST_SKIP() << GetParam().pszImage << " needs root, FUSE and loop devices";
    }
    std::string m_image;
};

TEST_P(RecycleBinScanTest, RecycledFilesComeBackUnderTheirNamesAndTrashIsDeleted) {
    Case const& scanCase = GetParam();
    testsupport::EnvironmentScope const home("HOME", scanCase.pszHome);
    FatQuickScan scan(m_image, 512, fattest::ScanKind::Quick, scanCase.eType);
    ASSERT_EQ(scan.Result(), kResultSuccess);

    std::string const expectedFile = m_image.substr(0, m_image.size() - 4) + ".expected";
    Expectations const expected = ReadExpected(expectedFile, scanCase.bUserTrash);
    ASSERT_FALSE(expected.deleted.empty());
    fattest::ExpectEachRecovered(scan, scan.Live(), expected.live, "live");
    fattest::ExpectEachRecovered(scan, scan.Deleted(), expected.deleted, "deleted");

    for (auto const& [path, pNode] : scan.Live()) EXPECT_NE(path.rfind(kBin, 0), 0u) << "live in the bin: " << path;
    for (auto const& [path, pNode] : scan.Deleted()) {
        std::string const name = path.substr(path.rfind('/') + 1);
        EXPECT_FALSE(path.rfind(kBin, 0) == 0 && name.rfind("$I", 0) == 0) << "index file shown: " << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, RecycleBinScanTest,
    ::testing::Values(Case{"fat32_home_users_me", "recycle-fat32", SEARCHER_TYPE_FAT, "/Users/me", true},
                      Case{"fat32_home_elsewhere", "recycle-fat32", SEARCHER_TYPE_FAT, "/Users", false},
                      Case{"fat32_no_home", "recycle-fat32", SEARCHER_TYPE_FAT, nullptr, false},
                      Case{"exfat_home_users_me", "recycle-exfat", SEARCHER_TYPE_EXFAT, "/Users/me/", true},
                      Case{"ntfs_home_users_me", "recycle-ntfs", SEARCHER_TYPE_NTFS, "/Users/me/", true}),
    [](auto const& param) { return std::string(param.param.pszLabel); });

}  // namespace
