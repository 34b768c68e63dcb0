// Long names from hand-made entry runs: pieces stored last piece first, 13 UTF-16LE units each,
// a NUL after the name and 0xFFFF padding behind it, then the 8.3 entry that ends the run.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATFilePropertiesBuilder.h"
#include "engine/fat/ondisk/FATFolderEntries.h"
#include "engine/fat/ondisk/FATLongNamePieces.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace {

constexpr std::size_t kEntry = CTempFATDirEntry::kSize;
constexpr std::size_t kUnitsPerPiece = CTempFATDirEntry::kUnitsPerLongNamePiece;
constexpr std::size_t kUnitOffsets[kUnitsPerPiece] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

/// The entry run for `units` (NUL-terminated and padded here) followed by the 8.3 name
/// `pszShortName` (11 bytes), each piece numbered and carrying its checksum.
std::vector<std::uint8_t> EntryRun(std::vector<std::uint16_t> units, char const* pszShortName = "SHORT   TXT") {
    if (units.size() % kUnitsPerPiece != 0) units.push_back(0);
    while (units.size() % kUnitsPerPiece != 0) units.push_back(0xFFFF);
    std::size_t const pieces = units.size() / kUnitsPerPiece;
    std::vector<std::uint8_t> bytes((pieces + 1) * kEntry, 0);
    std::uint8_t const u8Checksum =
        fat::ShortNameChecksum(engine::ByteView(reinterpret_cast<std::uint8_t const*>(pszShortName), 11));
    for (std::size_t slot = 0; slot < pieces; ++slot) {
        std::size_t const piece = pieces - 1 - slot;  // the last piece comes first on disk
        std::uint8_t* pEntry = bytes.data() + slot * kEntry;
        pEntry[0] = static_cast<std::uint8_t>((piece + 1) | (slot == 0 ? 0x40 : 0));
        pEntry[11] = 0x0F;
        pEntry[13] = u8Checksum;
        for (std::size_t i = 0; i < kUnitsPerPiece; ++i) {
            std::uint16_t const unit = units[piece * kUnitsPerPiece + i];
            pEntry[kUnitOffsets[i]] = static_cast<std::uint8_t>(unit);
            pEntry[kUnitOffsets[i] + 1] = static_cast<std::uint8_t>(unit >> 8);
        }
    }
    std::uint8_t* pShort = bytes.data() + pieces * kEntry;
    std::copy(pszShortName, pszShortName + 11, pShort);
    pShort[11] = 0x20;
    return bytes;
}

std::vector<std::uint16_t> Units(std::u16string const& text) { return {text.begin(), text.end()}; }

std::string NameOf(std::vector<std::uint8_t> const& run) {
    auto pProperties =
        CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView(run.data(), run.size()));
    return pProperties ? std::string(pProperties->GetFileName()) : std::string("<none>");
}

TEST(FatLongNameTest, KeepsSurrogatePairsAcrossPieceEnds) {
    // Twelve ASCII units put the pair's halves in two different pieces.
    std::vector<std::uint16_t> units = Units(u"abcdefghijkl");
    units.push_back(0xD83D);
    units.push_back(0xDE00);
    for (char16_t c : std::u16string(u".txt")) units.push_back(c);
    EXPECT_EQ(NameOf(EntryRun(units)), "abcdefghijkl\xF0\x9F\x98\x80.txt");
}

TEST(FatLongNameTest, ReplacesAnUnpairedSurrogateAndStopsAtTheNul) {
    std::vector<std::uint16_t> units = Units(u"a");
    units.push_back(0xDC00);
    units.push_back('b');
    EXPECT_EQ(NameOf(EntryRun(units)),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(FatLongNameTest, UsesTheShortNameForUnacceptableLongNames) {
    EXPECT_EQ(NameOf(EntryRun(Units(u"."))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(Units(u"a/b"))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(std::vector<std::uint16_t>(21 * kUnitsPerPiece - 1, 'x'))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(std::vector<std::uint16_t>(20 * kUnitsPerPiece - 1, 'x'))),
              std::string(20 * kUnitsPerPiece - 1, 'x'));
}

/// The run with every entry erased, as deleting the file leaves it.
std::vector<std::uint8_t> Erased(std::vector<std::uint8_t> run) {
    for (std::size_t at = 0; at < run.size(); at += kEntry) run[at] = CTempFATDirEntry::kErased;
    return run;
}

/// The run without its first `entries` entries: pieces that lay at the end of another cluster.
std::vector<std::uint8_t> WithoutFirst(std::vector<std::uint8_t> run, std::size_t entries) {
    run.erase(run.begin(), run.begin() + static_cast<std::ptrdiff_t>(entries * kEntry));
    return run;
}

// A name of three pieces ("b096-with-a-long-name.bin" and more), live or deleted, and what is left of it.
TEST(FatLongNameTest, APartlyLostOrDeletedLongNameGivesTheShortNameNeverAPiece) {
    std::vector<std::uint8_t> const run = EntryRun(Units(u"b096-with-a-long-name-and-more.bin"));
    ASSERT_EQ(run.size(), 4 * kEntry);
    EXPECT_EQ(NameOf(run), "b096-with-a-long-name-and-more.bin");
    EXPECT_EQ(NameOf(Erased(run)), "b096-with-a-long-name-and-more.bin");
    for (std::size_t lost = 1; lost <= 2; ++lost) {
        EXPECT_EQ(NameOf(WithoutFirst(run, lost)), "SHORT.TXT") << lost;
        EXPECT_EQ(NameOf(Erased(WithoutFirst(run, lost))), "#HORT.TXT") << lost;
    }
    // Another name's pieces in front of them, as a walk into the wrong cluster joins them.
    std::vector<std::uint8_t> joined = EntryRun(Units(u"another name of two pieces"));
    joined.resize(2 * kEntry);
    joined.insert(joined.end(), run.begin() + 2 * kEntry, run.end());
    EXPECT_EQ(NameOf(joined), "SHORT.TXT");
    // Pieces a later 8.3 entry written without long-name support left behind.
    std::vector<std::uint8_t> stale = run;
    stale[3 * kEntry + 5] = 'X';
    EXPECT_EQ(NameOf(stale), "SHORTX.TXT");
    // Without its NUL a deleted name fills its pieces, or lost its last ones: whole when it still
    // ends in the 8.3 name's extension.
    EXPECT_EQ(NameOf(Erased(EntryRun(Units(u"a name of 26 units, a .txt")))), "a name of 26 units, a .txt");
    EXPECT_EQ(NameOf(Erased(WithoutFirst(EntryRun(Units(u"a name of thirty-nine units, and a .txt")), 1))),
              "#HORT.TXT");
    // Without extension either, it is whole behind the folder's dot entries, or carried over from a
    // cluster whose last entry was deleted too; where it opens the bytes read, or follows a live
    // file that may have taken its first slots, it may be cut.
    std::vector<std::uint8_t> const folder = Erased(EntryRun(Units(u"tree of files"), "TREEOF~1   "));
    std::vector<std::uint8_t> dots(2 * kEntry, 0);
    std::copy_n(".          ", 11, dots.begin());
    std::copy_n("..         ", 11, dots.begin() + kEntry);
    dots[11] = dots[kEntry + 11] = CTempFATDirEntry::kAttrDirectory;
    dots.insert(dots.end(), folder.begin(), folder.end());
    std::tuple<std::vector<std::uint8_t> const*, bool, char const*> const parses[] = {
        {&dots, true, "tree of files"}, {&folder, false, "tree of files"}, {&folder, true, "#REEOF~1"}};
    for (auto const& [pEntries, bFrontMayBeLost, pszName] : parses) {
        fat::FATFolderParse parse;
        fat::ParseFATFolderEntries(engine::ByteView(pEntries->data(), pEntries->size()), {false, 100, bFrontMayBeLost},
                                   parse);
        ASSERT_EQ(parse.entries.size(), 1u);
        EXPECT_EQ(parse.entries[0].name, pszName);
    }
}

// Where a folder's further cluster is only guessed (no table), its entries must go on with the
// name the cluster before ended in: each piece says its place in the name and the checksum of
// the 8.3 entry it belongs to.
TEST(FatLongNameTest, AClusterGoesOnFromTheOneBeforeOnlyWithTheRestOfItsName) {
    // The alias writers give a long name: alone first in a cluster, its pieces ended another.
    std::vector<std::uint8_t> const run = EntryRun(Units(u"b096-with-a-long-name-and-more.bin"), "B096-W~1BIN");
    std::vector<std::uint8_t> const other = EntryRun(Units(u"a096-with-a-long-name-and-more.bin"), "A096-W~1BIN");
    auto const view = [](std::vector<std::uint8_t> const& bytes, std::size_t first, std::size_t entries) {
        return engine::ByteView(bytes.data() + first * kEntry, entries * kEntry);
    };
    for (std::size_t split = 1; split <= 3; ++split) {
        engine::ByteView const before = view(run, 0, split);
        engine::ByteView const after = view(run, split, 4 - split);
        ASSERT_TRUE(fat::OpenLongName(before)) << split;
        EXPECT_EQ(fat::OpenLongName(before), fat::LongNameLead(after)) << split;
        EXPECT_TRUE(fat::MayContinueFolder(before, after)) << split;
        // Another name's rest, or its pieces elsewhere: not this folder's next cluster.
        EXPECT_FALSE(fat::MayContinueFolder(before, view(other, split, 4 - split))) << split;
        EXPECT_FALSE(fat::MayContinueFolder(engine::ByteView(), after)) << split;
    }
    // Nothing pending: a cluster may open with a whole name, or an 8.3 name of its own.
    EXPECT_TRUE(fat::MayContinueFolder(engine::ByteView(), view(run, 0, 4)));
    std::vector<std::uint8_t> plain(kEntry, 0);
    std::copy_n("PLAIN   TXT", 11, plain.begin());
    EXPECT_TRUE(fat::MayContinueFolder(engine::ByteView(), view(plain, 0, 1)));
}

}  // namespace
