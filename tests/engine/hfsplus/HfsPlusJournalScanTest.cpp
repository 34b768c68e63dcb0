// Quick scans of the macOS fixture after deletions its journal still remembers. Each row edits
// the live catalog (and extents or attributes leaf) the way the deletion left it and puts the
// leaves as they were into a journal transaction. 7zz reads the live trees only: its reading of
// the edited volume is the oracle for the live files, its reading before the edit the oracle
// for the deleted ones, which must be listed deleted at their old paths and copy out
// hash-equal. Rows skip when the fixture or 7zz is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "FatQuickScan.h"
#include "engine/ByteWriter.h"
#include "engine/IDataRecovery.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"
#include "support/DecmpfsMaker.h"
#include "support/HfsPlusScan.h"
#include "support/JournalMaker.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using hfsplustest::Bytes;
using hfsplustest::Placement;

enum class Scenario {
    DeletedFile,
    DeletedZeroed,  // its blocks read as zeros after the deletion, as a TRIM leaves them
    DeletedBesideCompressed,
    DeletedFolder,
    ReusedName,
    DeletedCompressed,
    DeletedFragmented,
    MovedFolder,
    DeletedHardLink
};

struct JournalCase {
    char const* pszName;
    Scenario scenario;
    Placement placement;
    std::set<std::string> deleted;  // every path listed deleted; empty: none may be
    bool bHostile = false;          // the deleted nodes are not checked, only the live ones
    bool bComplete = false;         // also a complete scan of a disk holding the volume 1 MiB in, without a map
};

constexpr std::size_t kCatalogLeaf = hfsplustest::kMacCatalogStart + hfsplustest::kMacCatalogNodeSize;
constexpr std::size_t kExtentsNodes = 2 * hfsplustest::kMacBlockSize;  // header node and leaf
constexpr std::size_t kExtentsLeaf = 3 * hfsplustest::kMacBlockSize;
constexpr std::size_t kAttributesTree = 10 * hfsplustest::kMacBlockSize;
constexpr std::size_t kAttributesNodeSize = 8192;
constexpr std::size_t kAttributesLeaf = kAttributesTree + kAttributesNodeSize;
constexpr std::size_t kDiskLead = std::size_t{1} << 20;
constexpr std::size_t kNextCatalogID = hfsplus::kVolumeHeaderOffset + 64;

Bytes Slice(Bytes const& image, std::size_t at, std::size_t size) {
    return Bytes(image.begin() + static_cast<long>(at), image.begin() + static_cast<long>(at + size));
}

class HfsPlusJournalScanTest : public testing::TestWithParam<JournalCase> {
protected:
    /// Builds the row's volume, its oracles and its scan; a reason to skip, or empty.
    std::string Prepare() {
        if (!testsupport::HaveTool("7zz")) return "7zz (package 7zip) is missing";
        Bytes const original = hfsplustest::LoadMacImage();
        if (original.empty()) return "no " + hfsplustest::MacImagePath();
        Bytes before = original;
        JournalCase const& row = GetParam();
        if ((row.scenario == Scenario::DeletedCompressed || row.scenario == Scenario::DeletedBesideCompressed) &&
            !hfsplustest::CompressFile(before, 8, hfsplustest::TextLike(4 * 0x10000 + 999)))
            return "the fixture is not the one expected";
        if (row.scenario == Scenario::DeletedFragmented && !hfsplustest::FragmentFile(before, u"another_file"))
            return "the fixture is not the one expected";
        hfsplustest::WriteImage(m_dir.File("before.raw"), before);
        m_before = hfsplustest::SevenZipFiles(m_dir.File("before.raw"), "", m_dir.File("before"));

        std::uint32_t const u32NextID = engine::ByteView(before.data(), before.size()).Be32(kNextCatalogID);
        if (row.scenario == Scenario::DeletedHardLink) {
            // The link and its content both deleted: the content's record is only in the journal.
            hfsplustest::LeafRecords links =
                hfsplustest::ReadLeafRecords(before, kCatalogLeaf, hfsplustest::kMacCatalogNodeSize);
            std::uint32_t const u32File = hfsplustest::CatalogID(links, u"passwords.txt");
            hfsplustest::MakeHardLink(links, u32File, u32NextID,
                                      hfsplustest::CatalogID(links, std::u16string(4, u'\0') + u"HFS+ Private Data"));
            m_before["/passwords.txt"] = m_before["/HFS+ Private Data/iNode" + std::to_string(u32File)] =
                m_before.at("/passwords.txt");
            engine::ByteWriter(before).Be32(kNextCatalogID, u32NextID + 1);
            if (!hfsplustest::WriteLeafRecords(before, hfsplustest::kMacCatalogStart, 1,
                                               hfsplustest::kMacCatalogNodeSize, links, true))
                return "no room";
        }
        Bytes after = before;
        std::vector<hfsplustest::JournalBlock> journal{
            {kCatalogLeaf, Slice(before, kCatalogLeaf, hfsplustest::kMacCatalogNodeSize)}};
        hfsplustest::LeafRecords catalog =
            hfsplustest::ReadLeafRecords(before, kCatalogLeaf, hfsplustest::kMacCatalogNodeSize);
        auto const id = [&catalog](std::u16string const& name) { return hfsplustest::CatalogID(catalog, name); };
        switch (row.scenario) {
            case Scenario::DeletedFile:
            case Scenario::DeletedZeroed:
            case Scenario::DeletedBesideCompressed:
                hfsplustest::DropCatalogItems(catalog, {id(u"passwords.txt")});
                break;
            case Scenario::DeletedFolder:
                if (!DropAttributes(before, after, id(u"a_file"), journal)) return "no room";
                hfsplustest::DropCatalogItems(
                    catalog, {id(u"a_directory"), id(u"a_file"), id(u"another_file"), id(u"a_resourcefork")});
                break;
            case Scenario::ReusedName:
                hfsplustest::ReplaceCatalogFile(catalog, id(u"passwords.txt"), u32NextID, id(u"another_file"));
                engine::ByteWriter(after).Be32(kNextCatalogID, u32NextID + 1);
                break;
            case Scenario::DeletedHardLink:
                hfsplustest::DropCatalogItems(catalog, {u32NextID, id(u"iNode20")});
                break;
            case Scenario::DeletedCompressed: {
                // Only the journal keeps the decmpfs attribute of the deleted file.
                if (!DropAttributes(before, after, id(u"a_file"), journal)) return "no room";
                hfsplustest::DropCatalogItems(catalog, {id(u"a_file")});
                break;
            }
            case Scenario::DeletedFragmented:
                // The live extents tree is empty again; its old leaf keeps the 9th and 10th extents.
                std::copy(original.begin() + static_cast<long>(kExtentsNodes),
                          original.begin() + static_cast<long>(kExtentsLeaf + hfsplustest::kMacBlockSize),
                          after.begin() + static_cast<long>(kExtentsNodes));
                journal.push_back({kExtentsLeaf, Slice(before, kExtentsLeaf, hfsplustest::kMacBlockSize)});
                hfsplustest::DropCatalogItems(catalog, {id(u"another_file")});
                break;
            case Scenario::MovedFolder:
                hfsplustest::MoveCatalogItem(catalog, id(u"a_directory"), hfsplus::kRootFolderID, u"b_directory");
                break;
        }
        if (!hfsplustest::WriteLeafRecords(after, hfsplustest::kMacCatalogStart, 1, hfsplustest::kMacCatalogNodeSize,
                                           catalog, true))
            return "no room";
        if (!hfsplustest::AddJournal(after, journal, row.placement)) return "the fixture has no room for a journal";
        if (row.scenario == Scenario::DeletedZeroed && !ZeroBlocksHolding(after, Extracted("before", "passwords.txt")))
            return "the fixture is not the one expected";
        hfsplustest::WriteImage(m_dir.File("after.raw"), after);
        m_after = hfsplustest::SevenZipFiles(m_dir.File("after.raw"), "", m_dir.File("after"));
        if (row.bComplete) {
            after.insert(after.begin(), kDiskLead, 0);
            hfsplustest::WriteImage(m_dir.File("disk.raw"), after);
            after.erase(after.begin(), after.begin() + kDiskLead);
        }
        m_pScan = std::make_unique<hfsplustest::VolumeScan>(std::move(after), 512);
        return {};
    }

    /// Where 7zz put the file named `name` of its reading `dir`.
    std::string Extracted(char const* pszDir, char const* pszName) const {
        for (auto const& entry : std::filesystem::recursive_directory_iterator(m_dir.File(pszDir)))
            if (entry.path().filename() == pszName) return entry.path().string();
        return {};
    }

    /// Zeroes the blocks that hold the bytes of `source` (a file of the volume lying in one
    /// piece); false when they are not found.
    static bool ZeroBlocksHolding(Bytes& image, std::string const& source) {
        std::ifstream in(source, std::ios::binary);
        Bytes const data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t const bytes =
            (data.size() + hfsplustest::kMacBlockSize - 1) / hfsplustest::kMacBlockSize * hfsplustest::kMacBlockSize;
        if (data.empty()) return false;
        for (std::size_t at = 0; at + bytes <= image.size(); at += hfsplustest::kMacBlockSize) {
            auto const block = image.begin() + static_cast<long>(at);
            if (!std::equal(data.begin(), data.end(), block)) continue;
            std::fill_n(block, bytes, std::uint8_t{0});
            return true;
        }
        return false;
    }

    /// The live attributes leaf loses the file's records; the journal keeps it as it was.
    static bool DropAttributes(Bytes const& before, Bytes& after, std::uint32_t u32FileID,
                               std::vector<hfsplustest::JournalBlock>& journal) {
        hfsplustest::LeafRecords attributes =
            hfsplustest::ReadLeafRecords(before, kAttributesLeaf, kAttributesNodeSize);
        hfsplustest::DropAttributes(attributes, u32FileID);
        journal.push_back({kAttributesLeaf, Slice(before, kAttributesLeaf, kAttributesNodeSize)});
        return hfsplustest::WriteLeafRecords(after, kAttributesTree, 1, kAttributesNodeSize, attributes, false);
    }

    testsupport::TempDir m_dir;
    std::map<std::string, std::string> m_before;
    std::map<std::string, std::string> m_after;
    std::unique_ptr<hfsplustest::VolumeScan> m_pScan;
};

TEST_P(HfsPlusJournalScanTest, ListsDeletedItemsAtTheirPathsAndRecoversThem) {
    std::string const skip = Prepare();
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_GE(m_after.size(), 5u) << "7zz extracted too little";
    ASSERT_EQ(m_pScan->Result(), kResultSuccess);
    for (auto const& [path, hash] : m_after) {
        auto const found = m_pScan->Nodes().find(path);
        ASSERT_NE(found, m_pScan->Nodes().end()) << path << " is not listed live";
        std::optional<Bytes> const data = m_pScan->ReadFile(found->second);
        ASSERT_TRUE(data) << path << " cannot be copied out";
        EXPECT_EQ(testsupport::Sha256Hex(*data), hash) << path;
    }
    JournalCase const& row = GetParam();
    if (row.bHostile) return;
    std::set<std::string> listed;
    for (auto const& [path, pNode] : m_pScan->Deleted()) listed.insert(path);
    EXPECT_EQ(listed, row.deleted);
    for (std::string const& path : row.deleted) {
        auto const found = m_pScan->Deleted().find(path);
        auto const source = m_before.find(path);
        if (found == m_pScan->Deleted().end() || source == m_before.end()) continue;  // a folder
        if (row.scenario == Scenario::DeletedZeroed) {
            // Zeros where its blocks were are no recovery of it: written, with the note.
            EXPECT_EQ(m_pScan->RecoverTo(found->second, m_dir.File("zeroed")), CopyNoteResult(kCodeZeroed)) << path;
            continue;
        }
        std::optional<Bytes> const data = m_pScan->ReadFile(found->second);
        ASSERT_TRUE(data) << path << " cannot be copied out";
        EXPECT_EQ(testsupport::Sha256Hex(*data), source->second) << path;
    }
    if (!row.bComplete) return;
    // The complete search finds the volume by its header alone and the deleted file by the old
    // catalog leaf the journal still holds.
    fattest::FatQuickScan disk(m_dir.File("disk.raw"), 512, fattest::ScanKind::Complete, SEARCHER_TYPE_HFSPLUS);
    ASSERT_EQ(disk.Result(), kResultSuccess);
    for (auto const& [path, hash] : m_after) {
        auto const found = disk.Live().find(path);
        ASSERT_NE(found, disk.Live().end()) << path << " is not listed live by the complete scan";
        if (found->second->GetFileSize() == 0) {
            EXPECT_EQ(testsupport::Sha256Hex({}), hash) << path;  // copy-out opens no reader for an empty file
            continue;
        }
        EXPECT_EQ(disk.Recover(found->second), hash) << path;
    }
    for (std::string const& path : row.deleted) {
        auto const found = disk.Deleted().find(path);
        ASSERT_NE(found, disk.Deleted().end()) << path << " is not listed deleted by the complete scan";
        EXPECT_EQ(disk.Recover(found->second), m_before.at(path)) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Journals, HfsPlusJournalScanTest,
    testing::Values(
        JournalCase{"DeletedFile", Scenario::DeletedFile, Placement::Plain, {"/passwords.txt"}},
        JournalCase{"DeletedFileWhoseBlocksReadAsZeros", Scenario::DeletedZeroed, Placement::Plain, {"/passwords.txt"}},
        JournalCase{"DeletedFileBesideACompressedOneOnADiskWithoutMap",
                    Scenario::DeletedBesideCompressed,
                    Placement::Plain,
                    {"/passwords.txt"},
                    false,
                    true},
        JournalCase{"DeletedFolderWithFiles",
                    Scenario::DeletedFolder,
                    Placement::Plain,
                    {"/a_directory", "/a_directory/a_file", "/a_directory/another_file", "/a_directory/a_resourcefork",
                     "/a_directory/a_resourcefork:rsrc"}},
        JournalCase{"DeletedFileWhoseNameANewFileTook", Scenario::ReusedName, Placement::Plain, {"/passwords.txt"}},
        JournalCase{"DeletedCompressedFileWithJournaledAttribute",
                    Scenario::DeletedCompressed,
                    Placement::Plain,
                    {"/a_directory/a_file"}},
        JournalCase{"DeletedFileWithJournaledOverflowExtents",
                    Scenario::DeletedFragmented,
                    Placement::Plain,
                    {"/a_directory/another_file"}},
        JournalCase{"MovedFolderIsNotDeleted", Scenario::MovedFolder, Placement::Plain, {}},
        JournalCase{"DeletedHardLinkAndItsContent",
                    Scenario::DeletedHardLink,
                    Placement::Plain,
                    {"/passwords.txt", "/HFS+ Private Data/iNode20"}},
        JournalCase{"TransactionCrossingTheRingsEnd",
                    Scenario::DeletedFolder,
                    Placement::CrossesRingEnd,
                    {"/a_directory", "/a_directory/a_file", "/a_directory/another_file", "/a_directory/a_resourcefork",
                     "/a_directory/a_resourcefork:rsrc"}},
        JournalCase{"EndEqualToStart", Scenario::DeletedFile, Placement::EndEqualsStart, {"/passwords.txt"}},
        JournalCase{"HostileEndField", Scenario::DeletedFile, Placement::HostileEnd, {}, true},
        JournalCase{"HostileBlockSize", Scenario::DeletedFile, Placement::HostileBlockSize, {}, true}),
    [](testing::TestParamInfo<JournalCase> const& row) { return std::string(row.param.pszName); });

TEST(HfsPlusJournalScan, WithoutAJournalTheTotalIsTheLiveItems) {
    Bytes image = hfsplustest::LoadMacImage();
    if (image.empty()) GTEST_SKIP() << "no " << hfsplustest::MacImagePath();
    engine::ByteView const header(image.data() + hfsplus::kVolumeHeaderOffset, hfsplus::kVolumeHeaderSize);
    std::uint64_t const u64Live = std::uint64_t{header.Be32(32)} + header.Be32(36) + 1;  // files, folders, root
    hfsplustest::VolumeScan scan(std::move(image), 512);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    EXPECT_TRUE(scan.Deleted().empty());
    ASSERT_FALSE(scan.Progress().Records().empty());
    EXPECT_EQ(scan.Progress().Records().back().u64Total, u64Live);
}

TEST(HfsPlusJournalScan, AStopDuringTheJournalPassAddsNothingButStillBuilds) {
    Bytes image = hfsplustest::LoadMacImage();
    if (image.empty()) GTEST_SKIP() << "no " << hfsplustest::MacImagePath();
    hfsplustest::LeafRecords catalog =
        hfsplustest::ReadLeafRecords(image, kCatalogLeaf, hfsplustest::kMacCatalogNodeSize);
    std::vector<hfsplustest::JournalBlock> const journal{
        {kCatalogLeaf, Slice(image, kCatalogLeaf, hfsplustest::kMacCatalogNodeSize)}};
    hfsplustest::DropCatalogItems(catalog, {hfsplustest::CatalogID(catalog, u"passwords.txt")});
    ASSERT_TRUE(hfsplustest::WriteLeafRecords(image, hfsplustest::kMacCatalogStart, 1, hfsplustest::kMacCatalogNodeSize,
                                              catalog, true));
    ASSERT_TRUE(hfsplustest::AddJournal(image, journal, Placement::Plain));
    hfsplustest::VolumeScan scan(std::move(image), 512, 1);
    // Only the private-data folder, handed over before the pass, is there.
    ASSERT_EQ(scan.Builder().Nodes().size(), 1u);
    EXPECT_EQ(scan.Builder().Nodes()[0]->IsDeleted(), 0);
    EXPECT_EQ(scan.Builder().Flashed(), std::vector<_tagSearcherType>{SEARCHER_TYPE_HFSPLUS});
}

}  // namespace
