// The extension hash table: its mixing table and hashes against a separate reference written
// from the generator rule, slot probing up to a full table, and names that are not ASCII.
#include "engine/core/recovery/KeHashTable.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Reference of the mixing table: five rows of 256, filled column by column; each entry takes
// two draws of seed' = (125 * seed + 3) mod 0x2AAAAB, high half from the first draw.
std::vector<std::uint32_t> ReferenceCryptTable() {
    std::vector<std::uint32_t> table(5 * 256);
    std::uint64_t seed = 0x00100001;
    auto draw = [&seed] {
        seed = (seed * 125 + 3) % 0x2AAAAB;
        return static_cast<std::uint32_t>(seed & 0xFFFF);
    };
    for (int column = 0; column < 256; ++column) {
        for (int row = 0; row < 5; ++row) {
            std::uint32_t const high = draw();
            std::uint32_t const low = draw();
            table[row * 256 + column] = high << 16 | low;
        }
    }
    return table;
}

std::uint32_t ReferenceHash(std::string const& text, int type) {
    static std::vector<std::uint32_t> const table = ReferenceCryptTable();
    std::uint32_t a = 0x7FED7FED;
    std::uint32_t b = 0xEEEEEEEE;
    for (char c : text) {
        std::uint32_t ch = static_cast<unsigned char>(c);
        if (ch >= 'a' && ch <= 'z') ch -= 0x20;
        a = table[type * 256 + ch] ^ (a + b);
        b = b * 97 + ch + a;
    }
    return a;
}

TEST(KeHashTableTest, MixingTableFollowsTheGeneratorRule) {
    CKeHashTable const table;
    std::vector<std::uint32_t> const reference = ReferenceCryptTable();
    for (std::size_t i = 0; i < reference.size(); ++i) ASSERT_EQ(table.GetCryptEntry(i), reference[i]) << "entry " << i;

    // Pinned from a hand calculation so a change to both copies of the rule still shows.
    struct Pin {
        std::size_t index;
        std::uint32_t value;
    };
    for (Pin const pin : {Pin{0, 0x55C636E2}, Pin{1, 0x02BE0170}, Pin{256, 0x76F8C1B1}, Pin{1279, 0x7303286C}}) {
        EXPECT_EQ(table.GetCryptEntry(pin.index), pin.value) << "entry " << pin.index;
    }
}

TEST(KeHashTableTest, HashesMatchReferenceAndFoldAsciiCaseOnly) {
    CKeHashTable const table;
    std::vector<std::string> const texts = {
        "", "JPG", "jpg", "Cr2", "tar.gz", "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE", "\xFF\xFE", "\x80"};
    for (std::string const& text : texts) {
        for (unsigned type = 0; type < 3; ++type) {
            EXPECT_EQ(table.GetHashCode(text.c_str(), type), ReferenceHash(text, static_cast<int>(type)))
                << "text '" << text << "' type " << type;
        }
    }
    EXPECT_EQ(table.GetHashCode("", 0), CKeHashTable::kEmptyHash);
    EXPECT_EQ(table.GetHashCode("JPG", 0), 0xF0A995B3u);
    EXPECT_EQ(table.GetHashCode("jpg", 1), table.GetHashCode("JPG", 1));
    // Cyrillic small and capital ef differ: only ASCII letters are folded.
    EXPECT_NE(table.GetHashCode("\xD1\x84", 0), table.GetHashCode("\xD0\xA4", 0));
}

TEST(KeHashTableTest, FindsInsertedTextsInAnyCaseAndFirstInsertWins) {
    CKeHashTable table;
    ASSERT_EQ(table.InsertNode("jpg", FILE_TYPE_PICTURE), 1);
    ASSERT_EQ(table.InsertNode("mp3", FILE_TYPE_MUSIC), 1);
    ASSERT_EQ(table.InsertNode("JPG", FILE_TYPE_DOCUMENT), 1);  // a second slot, never reached

    struct Case {
        char const* pszText;
        int iFound;
        FILE_TYPE_ID eValue;
    };
    for (Case const c :
         {Case{"jpg", 1, FILE_TYPE_PICTURE}, Case{"JpG", 1, FILE_TYPE_PICTURE}, Case{"MP3", 1, FILE_TYPE_MUSIC},
          Case{"png", 0, FILE_TYPE_OTHER}, Case{"", 0, FILE_TYPE_OTHER}}) {
        FILE_TYPE_ID eValue = FILE_TYPE_OTHER;
        EXPECT_EQ(table.FindNode(c.pszText, eValue), c.iFound) << c.pszText;
        EXPECT_EQ(eValue, c.eValue) << c.pszText;
    }
    EXPECT_EQ(table.GetHashTablePos("jpg", CKeHashTable::kSlotCount),
              static_cast<int>(table.GetHashCode("jpg", 0) & 0x7FF));
}

TEST(KeHashTableTest, RefusesTheInsertAfterTheLastFreeSlotAndStillAnswersAbsent) {
    CKeHashTable table;
    for (int i = 0; i < CKeHashTable::kSlotCount; ++i) {
        ASSERT_EQ(table.InsertNode(("e" + std::to_string(i)).c_str(), FILE_TYPE_ARCHIVE), 1) << i;
    }
    EXPECT_EQ(table.InsertNode("one-too-many", FILE_TYPE_MUSIC), 0);

    // With every slot used and none matching, the walk goes all the way round and gives up.
    FILE_TYPE_ID eValue = FILE_TYPE_MOVIE;
    EXPECT_EQ(table.GetHashTablePos("one-too-many", CKeHashTable::kSlotCount), -1);
    EXPECT_EQ(table.FindNode("one-too-many", eValue), 0);
    EXPECT_EQ(eValue, FILE_TYPE_MOVIE);
    EXPECT_EQ(table.FindNode("e2047", eValue), 1);
    EXPECT_EQ(eValue, FILE_TYPE_ARCHIVE);
}

TEST(KeHashTableTest, LastFreeSlotIsFoundWhereverItLies) {
    CKeHashTable table;
    for (int i = 0; i < CKeHashTable::kSlotCount - 1; ++i) {
        ASSERT_EQ(table.InsertNode(("f" + std::to_string(i)).c_str(), FILE_TYPE_ARCHIVE), 1) << i;
    }
    ASSERT_EQ(table.InsertNode("target", FILE_TYPE_MOVIE), 1);

    FILE_TYPE_ID eValue = FILE_TYPE_OTHER;
    EXPECT_EQ(table.FindNode("TARGET", eValue), 1);
    EXPECT_EQ(eValue, FILE_TYPE_MOVIE);
    for (int i = 0; i < CKeHashTable::kSlotCount - 1; ++i) {
        ASSERT_EQ(table.FindNode(("F" + std::to_string(i)).c_str(), eValue), 1) << i;
        ASSERT_EQ(eValue, FILE_TYPE_ARCHIVE) << i;
    }
}

TEST(KeHashTableTest, BytesAboveAsciiStayInsideTheirRow) {
    CKeHashTable table;
    std::array<char const*, 3> const texts = {"\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE", "\xFF\xFE", "\xC3\xA9pub"};
    for (char const* pszText : texts) ASSERT_EQ(table.InsertNode(pszText, FILE_TYPE_DOCUMENT), 1);
    for (char const* pszText : texts) {
        FILE_TYPE_ID eValue = FILE_TYPE_OTHER;
        EXPECT_EQ(table.FindNode(pszText, eValue), 1);
        EXPECT_EQ(eValue, FILE_TYPE_DOCUMENT);
    }
    FILE_TYPE_ID eValue = FILE_TYPE_OTHER;
    EXPECT_EQ(table.FindNode("\xFF", eValue), 0);
}

}  // namespace
