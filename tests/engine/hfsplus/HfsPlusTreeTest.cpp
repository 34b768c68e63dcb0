// Quick scans of the macOS fixture as the application runs them: the deleted-files controller,
// its tree builder and copy-out, on copies patched as macOS would have written them.
//   - hard links, the private-data folder and trash: a file made a hard link (its content moved
//     to "iNode<id>" in "\0\0\0\0HFS+ Private Data") copies out with that content; a folder
//     moved into the private-data folder is never shown, nor the folder itself; ".Trashes" at
//     the root with "501/x.jpg" in it shows its file deleted;
//   - the journal's files: a root ".journal" and ".journal_info_block" are the file system's own
//     and never shown, while other names that start with "." (".fseventsd") are kept as they are;
//   - compressed files whose kinds 7zz cannot read (zlib in the resource fork with a minimal
//     header, raw data in the attribute) copy out equal to their source.
// Expected content comes from 7zz's reading of the unpatched fixture or from the source data.
// Rows skip when the fixture or 7zz is missing.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FatQuickScan.h"
#include "engine/ByteWriter.h"
#include "engine/IFileNode.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"
#include "support/DecmpfsMaker.h"
#include "support/HfsPlusScan.h"
#include "support/JournalMaker.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using hfsplustest::Bytes;

enum class Patch { LinksPrivateDataAndTrash, JournalFiles, ZlibInResourceFork, RawInAttribute };

constexpr std::size_t kTextSize = 4 * 0x10000 + 999;
constexpr char kText[] = "text";  // the source is TextLike(kTextSize), or (type 1) its first 3000 bytes
constexpr std::size_t kRawSize = 3000;
constexpr std::size_t kCompleteShift = 1 << 20;

struct TreeCase {
    char const* pszName;
    Patch patch;
    fattest::ScanKind kind;
    std::vector<std::pair<std::string, std::string>> live;     // shown path, source (fixture path or kText)
    std::vector<std::pair<std::string, std::string>> deleted;  // the same for files shown deleted
    std::vector<std::string> hidden;                           // no shown path may contain these
};

constexpr std::size_t kNextCatalogID = hfsplus::kVolumeHeaderOffset + 64;

/// The fixture patched as the row asks; empty when it does not look like the fixture.
Bytes Patched(Patch patch) {
    Bytes image = hfsplustest::LoadMacImage();
    if (patch == Patch::ZlibInResourceFork)
        return hfsplustest::CompressFile(image, 4, hfsplustest::TextLike(kTextSize)) ? image : Bytes();
    if (patch == Patch::RawInAttribute)
        return hfsplustest::CompressFile(image, 1, hfsplustest::TextLike(kRawSize)) ? image : Bytes();

    hfsplustest::LeafRecords catalog = hfsplustest::ReadLeafRecords(
        image, hfsplustest::kMacCatalogStart + hfsplustest::kMacCatalogNodeSize, hfsplustest::kMacCatalogNodeSize);
    auto const id = [&catalog](std::u16string const& name) { return hfsplustest::CatalogID(catalog, name); };
    if (patch == Patch::JournalFiles) {
        hfsplustest::MoveCatalogItem(catalog, id(u"passwords.txt"), hfsplus::kRootFolderID, u".journal");
        hfsplustest::MoveCatalogItem(catalog, id(u"another_file"), hfsplus::kRootFolderID, u".journal_info_block");
        bool const bWritten = hfsplustest::WriteLeafRecords(image, hfsplustest::kMacCatalogStart, 1,
                                                            hfsplustest::kMacCatalogNodeSize, catalog, true);
        return bWritten ? image : Bytes();
    }
    std::uint32_t const u32Private = id(std::u16string(4, u'\0') + u"HFS+ Private Data");
    std::uint32_t const u32Next = engine::ByteView(image.data(), image.size()).Be32(kNextCatalogID);
    if (u32Private == 0) return {};
    hfsplustest::MakeHardLink(catalog, id(u"passwords.txt"), u32Next, u32Private);
    hfsplustest::MoveCatalogItem(catalog, id(u"a_directory"), u32Private, u"hidden_folder");
    std::uint32_t const u32Trash = id(u".fseventsd");
    hfsplustest::MoveCatalogItem(catalog, u32Trash, hfsplus::kRootFolderID, u".Trashes");
    hfsplustest::AddFolder(catalog, u32Trash, u32Next + 1, u32Trash, u"501");
    hfsplustest::MoveCatalogItem(catalog, id(u"00000000171494cb"), u32Next + 1, u"x.jpg");
    engine::ByteWriter(image).Be32(kNextCatalogID, u32Next + 2);
    bool const bWritten = hfsplustest::WriteLeafRecords(image, hfsplustest::kMacCatalogStart, 1,
                                                        hfsplustest::kMacCatalogNodeSize, catalog, true);
    return bWritten ? image : Bytes();
}

class HfsPlusTreeTest : public testing::TestWithParam<TreeCase> {
protected:
    std::string Prepare() {
        if (!testsupport::HaveTool("7zz")) return "7zz (package 7zip) is missing";
        if (hfsplustest::LoadMacImage().empty()) return "no " + hfsplustest::MacImagePath();
        m_sources = hfsplustest::SevenZipFiles(hfsplustest::MacImagePath(), "", m_dir.File("oracle"));
        Bytes const text = hfsplustest::TextLike(GetParam().patch == Patch::RawInAttribute ? kRawSize : kTextSize);
        m_sources[kText] = testsupport::Sha256Hex(text);
        Bytes image = Patched(GetParam().patch);
        if (image.empty()) return "the fixture is not the one expected";
        // A complete scan of a volume that does not start the device meets its catalog leaves in
        // disk order, not through a walk of the catalog.
        if (GetParam().kind == fattest::ScanKind::Complete) image.insert(image.begin(), kCompleteShift, 0);
        hfsplustest::WriteImage(m_dir.File("patched.raw"), image);
        m_pScan = std::make_unique<fattest::FatQuickScan>(m_dir.File("patched.raw"), 512, GetParam().kind,
                                                          SEARCHER_TYPE_HFSPLUS);
        return {};
    }

    void ExpectRecovered(std::map<std::string, IFileNode*> const& shown,
                         std::vector<std::pair<std::string, std::string>> const& expected) {
        for (auto const& [path, source] : expected) {
            auto const found = shown.find(path);
            ASSERT_NE(found, shown.end()) << path << " is not shown" << [&] {
                std::string s;
                for (auto const& e : shown) s += " " + e.first;
                return s;
            }();
            ASSERT_TRUE(m_sources.count(source)) << source << " has no oracle";
            EXPECT_EQ(m_pScan->Recover(found->second), m_sources[source]) << path;
        }
    }

    testsupport::TempDir m_dir;
    std::map<std::string, std::string> m_sources;
    std::unique_ptr<fattest::FatQuickScan> m_pScan;
};

TEST_P(HfsPlusTreeTest, ShowsAndCopiesOutWhatTheUserExpects) {
    std::string const skip = Prepare();
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_EQ(m_pScan->Result(), kResultSuccess);
    ExpectRecovered(m_pScan->Live(), GetParam().live);
    ExpectRecovered(m_pScan->Deleted(), GetParam().deleted);
    for (auto const* pShown : {&m_pScan->Live(), &m_pScan->Deleted(), &m_pScan->Folders()})
        for (auto const& [path, pNode] : *pShown)
            for (std::string const& hidden : GetParam().hidden)
                EXPECT_EQ(path.find(hidden), std::string::npos) << path << " is shown";
}

INSTANTIATE_TEST_SUITE_P(Volumes, HfsPlusTreeTest,
                         testing::Values(TreeCase{"HardLinkPrivateDataAndTrash",
                                                  Patch::LinksPrivateDataAndTrash,
                                                  fattest::ScanKind::Quick,
                                                  {{"/passwords.txt", "/passwords.txt"}},
                                                  {{"/.Trashes/501/x.jpg", "/.fseventsd/00000000171494cb"}},
                                                  {"HFS+ Private Data", "iNode", "hidden_folder", "a_file"}},
                                         // The private-data folder must reach the tree before what it holds.
                                         TreeCase{"HardLinkPrivateDataAndTrashComplete",
                                                  Patch::LinksPrivateDataAndTrash,
                                                  fattest::ScanKind::Complete,
                                                  {{"/passwords.txt", "/passwords.txt"}},
                                                  {{"/.Trashes/501/x.jpg", "/.fseventsd/00000000171494cb"}},
                                                  {"HFS+ Private Data", "iNode", "hidden_folder", "a_file"}},
                                         TreeCase{"JournalFilesAreHiddenAndOtherDotNamesKept",
                                                  Patch::JournalFiles,
                                                  fattest::ScanKind::Quick,
                                                  {{"/.fseventsd/fseventsd-uuid", "/.fseventsd/fseventsd-uuid"},
                                                   {"/a_directory/a_file", "/a_directory/a_file"}},
                                                  {},
                                                  {".journal", "passwords.txt", "another_file"}},
                                         TreeCase{"JournalFilesAreHiddenAndOtherDotNamesKeptComplete",
                                                  Patch::JournalFiles,
                                                  fattest::ScanKind::Complete,
                                                  {{"/.fseventsd/fseventsd-uuid", "/.fseventsd/fseventsd-uuid"},
                                                   {"/a_directory/a_file", "/a_directory/a_file"}},
                                                  {},
                                                  {".journal", "passwords.txt", "another_file"}},
                                         TreeCase{"ZlibInResourceFork",
                                                  Patch::ZlibInResourceFork,
                                                  fattest::ScanKind::Quick,
                                                  {{"/a_directory/a_file", kText}},
                                                  {},
                                                  {}},
                                         TreeCase{"RawInAttribute",
                                                  Patch::RawInAttribute,
                                                  fattest::ScanKind::Quick,
                                                  {{"/a_directory/a_file", kText}},
                                                  {},
                                                  {}}),
                         [](testing::TestParamInfo<TreeCase> const& row) { return std::string(row.param.pszName); });

}  // namespace
