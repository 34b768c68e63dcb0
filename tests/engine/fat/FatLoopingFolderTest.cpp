// A FAT32 folder whose cluster chain, after its first cluster, leads to a cluster read before.
// mkfs.fat and mtools make "/gone/tree of files", two clusters holding a file that is then
// deleted in its first, and a live folder "/live"; the test then rewrites one allocation-table
// entry (in every table copy):
// - the tree's second cluster links back to its first: the table check refuses the looping
//   table, so every folder is read to its first cluster only;
// - the whole tree is deleted and its first cluster links to the live folder's first cluster, a
//   table the check accepts: the walk reaches the live folder's cluster after the tree's first.
// Either way the deleted file, held back for the first-cluster revision until its folder is
// done, must be listed and copy out byte-exact: the folder ends where the chain goes back, and
// what was read stands. The quick and the complete scan share the folder reading.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "FatQuickScan.h"
#include "engine/ByteView.h"
#include "engine/IFileNode.h"
#include "support/NtfsImage.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

constexpr char kDeletedName[] = "doomed file.bin";
constexpr int kLiveFiles = 6;  // with the dot entries and the deleted file: more than one 512-byte cluster

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t u8Seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + u8Seed + i / 251);
    return bytes;
}

bool WriteFile(std::string const& path, std::vector<std::uint8_t> const& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

/// The first two clusters of a folder as mshowfat prints its chain ("<3> <14>" or "<3-4>").
std::vector<std::uint32_t> FirstTwoClusters(std::string const& chain) {
    std::vector<std::uint32_t> clusters;
    std::regex const piece("<([0-9]+)(?:-([0-9]+))?>");
    auto const end = std::sregex_iterator();
    for (auto it = std::sregex_iterator(chain.begin(), chain.end(), piece); it != end && clusters.size() < 2; ++it) {
        auto const first = static_cast<std::uint32_t>(std::stoul((*it)[1]));
        clusters.push_back(first);
        if ((*it)[2].matched && clusters.size() < 2) clusters.push_back(first + 1);
    }
    return clusters;
}

/// Writes `u32Next` as the table entry of `u32Cluster` in every copy of the FAT32 table.
bool LinkCluster(std::string const& image, std::uint32_t u32Cluster, std::uint32_t u32Next) {
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    std::vector<std::uint8_t> boot(512);
    if (!file.read(reinterpret_cast<char*>(boot.data()), static_cast<std::streamsize>(boot.size()))) return false;
    engine::ByteView const view(boot.data(), boot.size());
    std::uint64_t const u64SectorSize = view.Le16(11);
    std::uint64_t const u64FatStart = view.Le16(14) * u64SectorSize;
    std::uint64_t const u64FatBytes = view.Le32(36) * u64SectorSize;
    std::uint8_t const entry[4] = {static_cast<std::uint8_t>(u32Next), static_cast<std::uint8_t>(u32Next >> 8),
                                   static_cast<std::uint8_t>(u32Next >> 16), static_cast<std::uint8_t>(u32Next >> 24)};
    for (unsigned i = 0; i < view.U8(16); ++i) {
        file.seekp(static_cast<std::streamoff>(u64FatStart + i * u64FatBytes + std::uint64_t{u32Cluster} * 4));
        file.write(reinterpret_cast<char const*>(entry), sizeof entry);
    }
    return static_cast<bool>(file);
}

enum class Damage { kSecondClusterLinksBack, kDeletedFolderRunsIntoLiveFolder };

struct LoopCase {
    char const* pszName;
    Damage eDamage;
    fattest::ScanKind eScan;
};

class FatLoopingFolderTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(FatLoopingFolderTest, TheDeletedFileOfTheFirstClusterIsListedAndCopiesOutByteExact) {
    for (char const* pszTool : {"mkfs.fat", "mmd", "mcopy", "mdel", "mdeltree", "mshowfat"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    testsupport::TempDir const dir;
    std::string const image = dir.File("loop.img");
    std::string const tree = "'::/gone/tree of files";  // opened quote: each use closes it
    auto mtools = [&](std::string const& tool, std::string const& args) {
        return testsupport::RunCommand(tool + " -i " + testsupport::ShellQuote(image) + " " + args);
    };
    auto clusters = [&](std::string const& folder) {
        return FirstTwoClusters(
            testsupport::CommandOutput("mshowfat -i " + testsupport::ShellQuote(image) + " " + folder));
    };
    std::vector<std::uint8_t> const deleted = Pattern(3000, 7);
    ASSERT_TRUE(WriteFile(dir.File("deleted"), deleted));
    ASSERT_TRUE(WriteFile(dir.File("live"), Pattern(700, 3)));
    ASSERT_EQ(testsupport::RunCommand("truncate -s 40M " + testsupport::ShellQuote(image) + " && mkfs.fat -F 32 -s 1 " +
                                      testsupport::ShellQuote(image) + " >/dev/null"),
              0);
    ASSERT_EQ(mtools("mmd", "::/live ::/gone " + tree + "'"), 0);
    ASSERT_EQ(mtools("mcopy", testsupport::ShellQuote(dir.File("deleted")) + " " + tree + "/" + kDeletedName + "'"), 0);
    for (int i = 1; i <= kLiveFiles; ++i) {
        std::string const name = tree + "/kept file " + std::to_string(i) + ".txt'";
        ASSERT_EQ(mtools("mcopy", testsupport::ShellQuote(dir.File("live")) + " " + name), 0);
    }
    std::vector<std::uint32_t> const treeClusters = clusters(tree + "'");
    std::vector<std::uint32_t> const liveClusters = clusters("::/live");
    ASSERT_EQ(treeClusters.size(), 2u) << "the folder must span two clusters";
    ASSERT_FALSE(liveClusters.empty());
    if (GetParam().eDamage == Damage::kSecondClusterLinksBack) {
        ASSERT_EQ(mtools("mdel", tree + "/" + kDeletedName + "'"), 0);
        ASSERT_TRUE(LinkCluster(image, treeClusters[1], treeClusters[0]));
    } else {
        ASSERT_EQ(mtools("mdeltree", tree + "'"), 0);
        ASSERT_NE(liveClusters[0], treeClusters[0] + 1)
            << "the chain must leave the tree's first cluster for the live folder's";
        ASSERT_TRUE(LinkCluster(image, treeClusters[0], liveClusters[0]));
    }

    fattest::FatQuickScan scan(image, 512, GetParam().eScan);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    auto const found = scan.Deleted().find(std::string("/gone/tree of files/") + kDeletedName);
    ASSERT_NE(found, scan.Deleted().end());
    EXPECT_EQ(scan.Recover(found->second), testsupport::Sha256Hex(deleted));
}

INSTANTIATE_TEST_SUITE_P(
    Chains, FatLoopingFolderTest,
    ::testing::Values(
        LoopCase{"SecondClusterLinksBack", Damage::kSecondClusterLinksBack, fattest::ScanKind::Quick},
        LoopCase{"DeletedFolderRunsIntoLiveFolder", Damage::kDeletedFolderRunsIntoLiveFolder, fattest::ScanKind::Quick},
        LoopCase{"CompleteScanSecondClusterLinksBack", Damage::kSecondClusterLinksBack, fattest::ScanKind::Complete},
        LoopCase{"CompleteScanDeletedFolderRunsIntoLiveFolder", Damage::kDeletedFolderRunsIntoLiveFolder,
                 fattest::ScanKind::Complete}),
    [](::testing::TestParamInfo<LoopCase> const& param) { return std::string(param.param.pszName); });

}  // namespace
