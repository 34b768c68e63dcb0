// `scanbench quick` on the fixture images: the tree it writes must hold every manifest folder
// and file, each hard-linked file once (Sleuth Kit's fls tells which names share a record), and
// the listed deleted files, all byte-exact: resident, sparse, compressed and fragmented ones,
// which ntfsundelete lists too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "NtfsVolumeBytes.h"
#include "ScanbenchRun.h"
#include "support/Manifest.h"
#include "support/NtfsImage.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

/// fls -r -p -u: "r/r N-T-I:<TAB>path" for every live name; the record number of each path.
std::map<std::string, std::uint64_t> RecordsByPath(std::string const& output) {
    std::map<std::string, std::uint64_t> records;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        auto const tab = line.find('\t');
        if (tab == std::string::npos || line.size() < 5 || line.rfind("V/V", 0) == 0) continue;
        std::string const path = line.substr(tab + 1);
        records["/" + path.substr(0, path.find(':'))] = std::stoull(line.substr(4));
    }
    return records;
}

/// The one folder scanbench wrote under `out`, named after the volume's label (empty when none).
fs::path VolumeFolder(std::string const& out) {
    std::error_code ec;
    for (auto const& entry : fs::directory_iterator(out, ec))
        if (entry.is_directory()) return entry.path();
    return {};
}

class NtfsQuickScan : public ::testing::TestWithParam<char const*> {};

TEST_P(NtfsQuickScan, TreeHoldsManifestAndDeletedFilesByteExact) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    if (!testsupport::HaveTool("fls")) GTEST_SKIP() << "fls is missing";
    std::string const image = folder + "/" + GetParam();

    testsupport::TempDir const temp;
    std::string const out = temp.File("out");
    auto const run = scanbenchtest::RunScanbench(temp, "quick " + image + ".img --out " + out);
    // The only files not written are deleted ones whose clusters live files took (ntfs_frag's
    // big file grew over them): refused as overwritten.
    auto const count = [&](std::string const& text) {
        std::size_t n = 0;
        for (std::size_t at = run.output.find(text); at != std::string::npos; at = run.output.find(text, at + 1)) ++n;
        return n;
    };
    std::size_t const overwritten = count("000d04)");
    EXPECT_EQ(count(" not written ("), overwritten);
    ASSERT_EQ(run.iExit, overwritten == 0 ? 0 : 1) << run.output;
    EXPECT_EQ(run.result.at("file_systems"), "1");
    EXPECT_EQ(run.result.at("failures"), std::to_string(overwritten));
    fs::path const root = VolumeFolder(out) / "Disk(NTFS)";
    ASSERT_TRUE(fs::is_directory(root)) << run.output;

    // The volume's own files stay out of the tree.
    for (char const* pszSystem :
         {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", "$Bitmap", "$Boot", "$BadClus", "$Secure", "$UpCase"})
        EXPECT_FALSE(fs::exists(root / pszSystem)) << pszSystem;

    // Names of one record are one file: exactly one of them is written.
    auto const records = RecordsByPath(testsupport::CaptureCommand("fls -r -p -u " + image + ".img").value_or(""));
    ASSERT_FALSE(records.empty());
    std::map<std::uint64_t, std::vector<std::pair<std::string, std::string>>> byRecord;
    for (auto const& [path, entry] : testsupport::ReadManifest(image + ".manifest")) {
        if (entry.bFolder) continue;  // only folders with files are written
        ASSERT_TRUE(records.count(path)) << "fls does not list " << path;
        byRecord[records.at(path)].emplace_back(path, entry.sha256);
    }
    for (auto const& [u64Record, names] : byRecord) {
        std::size_t written = 0;
        for (auto const& [path, sha256] : names) {
            fs::path const file = root / path.substr(1);
            if (!fs::exists(file)) continue;
            ++written;
            EXPECT_EQ(testsupport::Sha256OfFile(file.string()), sha256) << path;
        }
        EXPECT_EQ(written, 1u) << "record " << u64Record << " as " << names.front().first;
    }

    // ntfsundelete, a reader of its own, must list the same deleted files with the same sizes.
    auto const undelete = testsupport::CaptureCommand("ntfsundelete -s " + image + ".img 2>/dev/null");
    for (auto const& [path, entry] : testsupport::ReadManifest(image + ".deleted")) {
        fs::path const file = root / path.substr(1);
        ASSERT_TRUE(fs::exists(file)) << "deleted " << path;
        EXPECT_EQ(testsupport::Sha256OfFile(file.string()), entry.sha256) << "deleted " << path;
        if (undelete) {
            EXPECT_NE(undelete->find(" " + std::to_string(entry.s64Size) + "  " + file.filename().string() + "\n"),
                      std::string::npos)
                << "ntfsundelete does not list " << path;
        }
    }
}

// ntfs_4k: A/OLD was deleted with old.bin in it, and B/NEW took A/OLD's record after a
// remount. old.bin names the old folder's sequence number, so it must not show inside B/NEW.
TEST(NtfsQuickScanReuse, FileOfAFolderWhoseRecordWasReusedGoesToLostFiles) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    testsupport::TempDir const temp;
    std::string const out = temp.File("out");
    auto const run = scanbenchtest::RunScanbench(temp, "quick " + folder + "/ntfs_4k.img --out " + out);
    ASSERT_EQ(run.iExit, 0) << run.output;
    fs::path const root = VolumeFolder(out) / "Disk(NTFS)";
    EXPECT_FALSE(fs::exists(root / "B" / "NEW" / "old.bin"));
    fs::path const lost = root / "Other lost files" / "old.bin";
    ASSERT_TRUE(fs::exists(lost)) << run.output;
    EXPECT_EQ(fs::file_size(lost), 20000u);
}

// The $MFT's own record wiped: its copy in $MFTMirr still leads to the whole MFT.
TEST(NtfsQuickScanMirror, DamagedMftRecordIsReadFromTheMirror) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    testsupport::TempDir const temp;
    std::string const image = temp.File("damaged.img");
    fs::copy_file(folder + "/ntfs_4k.img", image);
    {
        std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
        unsigned char boot[512] = {};
        file.read(reinterpret_cast<char*>(boot), sizeof boot);
        std::uint64_t u64MftCluster = 0;
        for (int i = 7; i >= 0; --i) u64MftCluster = (u64MftCluster << 8) | boot[48 + i];
        std::uint64_t const u64ClusterBytes = static_cast<std::uint64_t>(boot[11] | (boot[12] << 8)) * boot[13];
        std::string const zeros(1024, '\0');
        file.seekp(static_cast<std::streamoff>(u64MftCluster * u64ClusterBytes));
        file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    auto const run = scanbenchtest::RunScanbench(temp, "quick " + image + " --out " + temp.File("out"));
    ASSERT_EQ(run.iExit, 0) << run.output;
    auto const manifest = testsupport::ReadManifest(folder + "/ntfs_4k.manifest");
    EXPECT_EQ(testsupport::Sha256OfFile(temp.File("out") + "/volume/Disk(NTFS)/notes.bin"),
              manifest.at("/notes.bin").sha256);
    EXPECT_EQ(testsupport::Sha256OfFile(temp.File("out") + "/volume/Disk(NTFS)/packed/text.txt"),
              manifest.at("/packed/text.txt").sha256);
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsQuickScan,
                         ::testing::Values("ntfs_4k", "ntfs_frag", "ntfs_4kn", "ntfs_c512", "ntfs_c64k"),
                         [](auto const& testInfo) { return std::string(testInfo.param); });

}  // namespace
