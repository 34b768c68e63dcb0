// The quick scan of a real HFS+ volume made by macOS (journaled, 4 KiB blocks, a symbolic link,
// a resource fork, extended attributes), against 7-Zip's reading of the same bytes: every
// file and resource fork 7zz extracts is listed at its path and copied out hash-equal, and
// nothing else is listed as a file. A link is compared by its target text. The image is read
// from the shared fixtures in place; without it, or without 7zz, the test skips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "HfsPlusScan.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using hfsplustest::VolumeScan;

struct RecoverCase {
    char const* pszName;
    int iSectorSize;
};

/// Path below the volume's root folder -> SHA-256 of what 7zz extracts. Extended attributes
/// ("name:attr") are not files of the volume and are left out; resource forks ("name:rsrc") stay.
std::map<std::string, std::string> SevenZipFiles(std::string const& image, testsupport::TempDir const& dir) {
    std::map<std::string, std::string> files;
    if (testsupport::RunCommand("7zz x -snl -y -o'" + dir.Path() + "' '" + image + "' >/dev/null") != 0) return files;
    namespace fs = std::filesystem;
    fs::path const root = fs::path(dir.Path()) / "hfsplus_test";
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        std::string const path = "/" + entry.path().lexically_relative(root).string();
        std::size_t const colon = path.rfind(':');
        if (colon != std::string::npos && path.substr(colon) != ":rsrc") continue;
        if (entry.is_symlink()) {
            std::string const target = fs::read_symlink(entry.path()).string();
            files[path] = testsupport::Sha256Hex({reinterpret_cast<std::uint8_t const*>(target.data()), target.size()});
        } else if (entry.is_regular_file()) {
            files[path] = testsupport::Sha256OfFile(entry.path().string());
        }
    }
    return files;
}

class HfsPlusRecoverTest : public testing::TestWithParam<RecoverCase> {};

TEST_P(HfsPlusRecoverTest, ListsAndRecoversEveryFileSevenZipExtracts) {
    std::vector<std::uint8_t> bytes = hfsplustest::LoadMacImage();
    if (bytes.empty()) GTEST_SKIP() << "no " << hfsplustest::MacImagePath();
    if (!testsupport::HaveTool("7zz")) GTEST_SKIP() << "7zz (package 7zip) is missing";
    testsupport::TempDir dir;
    std::map<std::string, std::string> const expected = SevenZipFiles(hfsplustest::MacImagePath(), dir);
    ASSERT_GE(expected.size(), 8u) << "7zz extracted too little";

    std::size_t const u64VolumeBytes = bytes.size();
    VolumeScan scan(std::move(bytes), GetParam().iSectorSize);
    ASSERT_EQ(scan.Result(), kResultSuccess);

    std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&scan.Device(), 0));
    EXPECT_EQ(pAnalyser->GetFileSystemType(), static_cast<std::uint32_t>(FILE_SYSTEM_HFSPLUS));
    EXPECT_EQ(pAnalyser->GetTotalSector(), u64VolumeBytes / static_cast<std::size_t>(GetParam().iSectorSize));

    for (auto const& [path, hash] : expected) {
        auto const found = scan.Nodes().find(path);
        ASSERT_NE(found, scan.Nodes().end()) << path << " is not listed";
        std::optional<std::vector<std::uint8_t>> const data = scan.ReadFile(found->second);
        ASSERT_TRUE(data) << path << " cannot be copied out";
        EXPECT_EQ(testsupport::Sha256Hex(*data), hash) << path;
    }
    for (auto const& [path, pNode] : scan.Nodes()) {
        if (pNode->IsDirectory() != 0) continue;
        EXPECT_TRUE(expected.count(path)) << path << " is listed but 7zz has no such file";
    }
}

INSTANTIATE_TEST_SUITE_P(MacVolume, HfsPlusRecoverTest,
                         testing::Values(RecoverCase{"Sectors512", 512}, RecoverCase{"Sectors4096", 4096}),
                         [](testing::TestParamInfo<RecoverCase> const& row) { return std::string(row.param.pszName); });

}  // namespace
