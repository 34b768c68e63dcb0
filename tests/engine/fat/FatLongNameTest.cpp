// Long names from hand-made entry runs: pieces stored last piece first, 13 UTF-16LE units each,
// a NUL after the name and 0xFFFF padding behind it, then the 8.3 entry that ends the run.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATFilePropertiesBuilder.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace {

constexpr std::size_t kEntry = CTempFATDirEntry::kSize;
constexpr std::size_t kUnitsPerPiece = CTempFATDirEntry::kUnitsPerLongNamePiece;
constexpr std::size_t kUnitOffsets[kUnitsPerPiece] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

/// The entry run for `units` (NUL-terminated and padded here) followed by the 8.3 name "SHORT   TXT".
std::vector<std::uint8_t> EntryRun(std::vector<std::uint16_t> units) {
    if (units.size() % kUnitsPerPiece != 0) units.push_back(0);
    while (units.size() % kUnitsPerPiece != 0) units.push_back(0xFFFF);
    std::size_t const pieces = units.size() / kUnitsPerPiece;
    std::vector<std::uint8_t> bytes((pieces + 1) * kEntry, 0);
    for (std::size_t slot = 0; slot < pieces; ++slot) {
        std::size_t const piece = pieces - 1 - slot;  // the last piece comes first on disk
        std::uint8_t* pEntry = bytes.data() + slot * kEntry;
        pEntry[0] = static_cast<std::uint8_t>((piece + 1) | (slot == 0 ? 0x40 : 0));
        pEntry[11] = 0x0F;
        for (std::size_t i = 0; i < kUnitsPerPiece; ++i) {
            std::uint16_t const unit = units[piece * kUnitsPerPiece + i];
            pEntry[kUnitOffsets[i]] = static_cast<std::uint8_t>(unit);
            pEntry[kUnitOffsets[i] + 1] = static_cast<std::uint8_t>(unit >> 8);
        }
    }
    std::uint8_t* pShort = bytes.data() + pieces * kEntry;
    std::string const shortName = "SHORT   TXT";
    std::copy(shortName.begin(), shortName.end(), pShort);
    pShort[11] = 0x20;
    return bytes;
}

std::vector<std::uint16_t> Units(std::u16string const& text) { return {text.begin(), text.end()}; }

std::string NameOf(std::vector<std::uint8_t> const& run) {
    auto pProperties = CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView(run.data(), run.size()));
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
    EXPECT_EQ(NameOf(EntryRun(units)), "a\xEF\xBF\xBD" "b");
}

TEST(FatLongNameTest, UsesTheShortNameForUnacceptableLongNames) {
    EXPECT_EQ(NameOf(EntryRun(Units(u"."))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(Units(u"a/b"))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(std::vector<std::uint16_t>(21 * kUnitsPerPiece - 1, 'x'))), "SHORT.TXT");
    EXPECT_EQ(NameOf(EntryRun(std::vector<std::uint16_t>(20 * kUnitsPerPiece - 1, 'x'))),
              std::string(20 * kUnitsPerPiece - 1, 'x'));
}

}  // namespace
