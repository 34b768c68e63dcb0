// Quick scans of exFAT volumes made by mkfs.exfat and written by exfat-fuse (the image fixture):
// the found tree must be the tree the mounted file system showed, every live file and every
// intact deleted file must copy out with the original's SHA-256, and the awkward layouts the
// script makes (a 300-entry folder, split folders and files, a deleted folder whose cluster a
// new folder took) must come out right.
#include <gtest/gtest.h>

#include <set>

#include "ExFatImageScan.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"

namespace {

using exfattest::ImageScan;
using exfattest::ManifestEntry;

constexpr char kSkipReason[] = "the exFAT images were not built (needs root, /dev/fuse, loop devices, exfat-fuse)";

class ExFatImageTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_folder = exfattest::ImageFolder();
        if (m_folder.empty()) GTEST_SKIP() << kSkipReason;
        m_pScan = std::make_unique<ImageScan>(m_folder + "/" + GetParam() + ".img");
        ASSERT_EQ(m_pScan->Error(), "");
    }
    std::map<std::string, ManifestEntry> Manifest(char const* pszSuffix) const {
        return exfattest::LoadManifest(m_folder + "/" + GetParam() + pszSuffix);
    }

    std::string m_folder;
    std::unique_ptr<ImageScan> m_pScan;
};

TEST_P(ExFatImageTest, LiveTreeEqualsTheMountedTree) {
    auto const manifest = Manifest(".manifest");
    ASSERT_FALSE(manifest.empty());
    std::map<std::string, ManifestEntry> found;
    for (auto const& [path, pNode] : m_pScan->Nodes()) {
        if (pNode->IsDeleted()) continue;
        ManifestEntry entry;
        entry.bFolder = pNode->IsDirectory() != 0;
        entry.s64Size = entry.bFolder ? 0 : pNode->GetFileSize();
        EXPECT_EQ(found.count(path), 0u) << "listed twice: " << path;
        found[path] = entry;
    }
    for (auto const& [path, entry] : manifest) {
        // The tree builder shows no empty folder (/A keeps only the deleted /A/OLD).
        auto const next = manifest.upper_bound(path);
        if (entry.bFolder && (next == manifest.end() || next->first.rfind(path + "/", 0) != 0)) continue;
        auto const it = found.find(path);
        if (it == found.end()) {
            ADD_FAILURE() << "missing: " << path;
            continue;
        }
        EXPECT_EQ(it->second.bFolder, entry.bFolder) << path;
        EXPECT_EQ(it->second.s64Size, entry.s64Size) << path;
    }
    for (auto const& [path, entry] : found) EXPECT_EQ(manifest.count(path), 1u) << "not on the volume: " << path;
}

TEST_P(ExFatImageTest, LiveFilesCopyOutByteExact) {
    testsupport::TempDir temp;
    int iCopied = 0;
    for (auto const& [path, entry] : Manifest(".manifest")) {
        if (entry.bFolder || entry.s64Size == 0) continue;  // an empty file has nothing to copy
        IFileNode* pNode = m_pScan->Find(path);
        ASSERT_NE(pNode, nullptr) << path;
        EXPECT_EQ(m_pScan->CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
        ++iCopied;
    }
    EXPECT_GT(iCopied, 500);
}

TEST_P(ExFatImageTest, IntactDeletedFilesAreListedDeletedAndCopyOutByteExact) {
    testsupport::TempDir temp;
    auto const deleted = Manifest(".deleted");
    ASSERT_EQ(deleted.size(), 4u);
    for (auto const& [path, entry] : deleted) {
        IFileNode* pNode = m_pScan->Find(path);
        ASSERT_NE(pNode, nullptr) << path;
        EXPECT_TRUE(pNode->IsDeleted()) << path;
        EXPECT_EQ(pNode->GetFileSize(), entry.s64Size) << path;
        EXPECT_EQ(m_pScan->CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
    }
}

TEST_P(ExFatImageTest, EveryNodeUnderADeletedFolderIsDeleted) {
    IFileNode* pGone = m_pScan->Find("/gone");
    ASSERT_NE(pGone, nullptr);
    EXPECT_TRUE(pGone->IsDeleted());
    int iBelow = 0;
    for (auto const& [path, pNode] : m_pScan->Nodes()) {
        if (path.rfind("/gone/", 0) != 0) continue;
        EXPECT_TRUE(pNode->IsDeleted()) << path;
        ++iBelow;
    }
    EXPECT_EQ(iBelow, 3);  // sub, sub/x.bin, y.txt
}

TEST_P(ExFatImageTest, AllThreeHundredEntriesOfTheOnePieceFolderAreListed) {
    std::set<std::string> names;
    for (auto const& [path, pNode] : m_pScan->Nodes())
        if (path.rfind("/CONTIG/", 0) == 0 && !pNode->IsDeleted()) names.insert(path);
    EXPECT_EQ(names.size(), 300u);
}

TEST_P(ExFatImageTest, AFolderTakingADeletedFoldersClusterKeepsItsLiveFiles) {
    IFileNode* pNew = m_pScan->Find("/B/NEW/new.bin");
    ASSERT_NE(pNew, nullptr);
    EXPECT_FALSE(pNew->IsDeleted());
    EXPECT_EQ(m_pScan->Nodes().count("/A/OLD/new.bin"), 0u);
}

TEST_P(ExFatImageTest, TheScanEndsWithAFinishedRecord) {
    auto const records = m_pScan->Progress().Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().u32State, PROGRESS_STATE_FINISHED);
}

INSTANTIATE_TEST_SUITE_P(Images, ExFatImageTest, testing::Values("exfat_4k", "exfat_512"));

// A volume formatted on a 4096-byte-sector device is read through a device with that sector size.
TEST(ExFatFourKSectorTest, AVolumeOnAFourKSectorDeviceScansThroughThatDevice) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << kSkipReason;
    testsupport::LoopDevice loop;
    std::string const reason = loop.Attach(folder + "/exfat_4kn.img", 4096);
    if (!reason.empty()) GTEST_SKIP() << reason;
    ImageScan scan(loop.Node());
    ASSERT_EQ(scan.Error(), "");
    testsupport::TempDir temp;
    auto const manifest = exfattest::LoadManifest(folder + "/exfat_4kn.manifest");
    int iFiles = 0;
    for (auto const& [path, entry] : manifest) {
        if (entry.bFolder) continue;
        IFileNode* pNode = scan.Find(path);
        ASSERT_NE(pNode, nullptr) << path;
        if (entry.s64Size == 0) continue;
        EXPECT_EQ(scan.CopyOutHash(pNode, temp.File("copy")), entry.sha256) << path;
        ++iFiles;
    }
    EXPECT_GT(iFiles, 500);
}

// An image file has no geometry of its own: the same volume dumped to a file is read in the
// 4096-byte sectors its boot sector states, not in 512-byte ones.
TEST(ExFatFourKSectorTest, TheSameVolumeAsAnImageFileIsReadInItsOwnSectorSize) {
    std::string const folder = exfattest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << kSkipReason;
    ImageScan scan(folder + "/exfat_4kn.img");
    ASSERT_EQ(scan.Error(), "");
    auto const manifest = exfattest::LoadManifest(folder + "/exfat_4kn.manifest");
    ASSERT_FALSE(manifest.empty());
    for (auto const& [path, entry] : manifest) {
        if (entry.bFolder) continue;
        EXPECT_NE(scan.Find(path), nullptr) << path;
    }
}

}  // namespace
