// The "$I" index parser on hostile bytes: every payload gives a clean single name or none, and
// the bin name tests on the names Windows and the NTFS driver really use.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/core/tree/RecycleIndex.h"
#include "engine/core/tree/RecyclerFilter.h"
#include "support/ByteFields.h"
#include "testkit/TestFileNode.h"

namespace {

constexpr std::uint64_t kDeletedTime = 133500000000000000ull;

void PutLe(std::vector<std::uint8_t>& bytes, std::uint64_t u64Value, int iWidth) {
    engine::ByteWriter field = testsupport::Grow(bytes, static_cast<std::size_t>(iWidth));
    testsupport::LeOfWidth(field, 0, u64Value, iWidth);
}

std::vector<std::uint8_t> Utf16Le(std::u16string const& text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t const c : text) PutLe(bytes, c, 2);
    return bytes;
}

std::vector<std::uint8_t> Header(std::uint64_t u64Version) {
    std::vector<std::uint8_t> bytes;
    PutLe(bytes, u64Version, 8);
    PutLe(bytes, 4096, 8);
    PutLe(bytes, kDeletedTime, 8);
    return bytes;
}

/// Version 1: the path NUL-padded in a 520-byte field.
std::vector<std::uint8_t> Fixed(std::u16string const& path) {
    std::vector<std::uint8_t> bytes = Header(1);
    std::vector<std::uint8_t> const units = Utf16Le(path);
    bytes.insert(bytes.end(), units.begin(), units.end());
    bytes.resize(24 + 520, 0);
    return bytes;
}

/// Version 2: the unit count (the NUL's included unless `u32Units` says otherwise), then the path.
std::vector<std::uint8_t> Counted(std::u16string const& path, std::optional<std::uint32_t> units = std::nullopt) {
    std::vector<std::uint8_t> bytes = Header(2);
    PutLe(bytes, units.value_or(static_cast<std::uint32_t>(path.size() + 1)), 4);
    std::vector<std::uint8_t> const text = Utf16Le(path + u'\0');
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

struct Payload {
    char const* pszLabel;
    std::vector<std::uint8_t> bytes;
    std::optional<std::string> name;
};
void PrintTo(Payload const& payload, std::ostream* pOut) { *pOut << payload.pszLabel; }

std::vector<Payload> Payloads() {
    std::u16string const cjk255(255, u'\u5199');
    std::string cjk255Utf8;
    for (int i = 0; i < 255; ++i) cjk255Utf8 += "\xE5\x86\x99";
    std::vector<std::uint8_t> shifted = Fixed(u"C:\\dir\\a.jpg");
    shifted.insert(shifted.begin() + 24, 0);  // the path starts one byte late: units read as garbage
    std::vector<std::uint8_t> giant = Counted(u"C:\\Users\\me\\" + std::u16string(600, u'x') + u".jpg");
    std::vector<std::uint8_t> hugeCount = Counted(u"C:\\a.jpg", 0xFFFFFFFFu);
    return {
        {"version1_path", Fixed(u"C:\\Users\\me\\Pictures\\a.jpg"), "a.jpg"},
        {"version2_path", Counted(u"C:\\Users\\me\\Pictures\\a.jpg"), "a.jpg"},
        {"version2_count_without_nul", Counted(u"D:\\b.txt", 8), "b.txt"},
        {"non_ascii", Counted(u"D:\\\u5199\u771F\\\u590F.jpg"), "\xE5\xA4\x8F.jpg"},
        {"name_of_255_cjk_units", Counted(u"C:\\" + cjk255), cjk255Utf8},
        {"name_of_256_units", Counted(u"C:\\" + cjk255 + u"x"), std::nullopt},
        {"surrogate_pair", Counted(u"C:\\\U0001F600.png"), "\xF0\x9F\x98\x80.png"},
        {"empty", {}, std::nullopt},
        {"short", {1, 0, 0, 0, 0, 0, 0, 0, 0x43, 0}, std::nullopt},
        {"header_only", Header(2), std::nullopt},
        {"no_backslash", Counted(u"C:a.jpg"), std::nullopt},
        {"no_drive_prefix", Counted(u"Users\\me\\a.jpg"), std::nullopt},
        {"unc_path", Counted(u"\\\\server\\share\\a.jpg"), std::nullopt},
        {"odd_offsets", shifted, std::nullopt},
        {"dot_dot_path", Counted(u"..\\..\\x"), std::nullopt},
        {"dot_dot_inside", Counted(u"C:\\a\\..\\..\\x"), "x"},
        {"ends_in_dot_dot", Counted(u"C:\\a\\.."), std::nullopt},
        {"ends_in_dot", Fixed(u"C:\\a\\."), std::nullopt},
        {"ends_in_backslash", Counted(u"C:\\a\\"), std::nullopt},
        {"slash_in_name", Counted(u"C:\\a/b"), std::nullopt},
        {"embedded_nul", Counted(std::u16string(u"C:\\dir\\ab\0cd", 12), 13), "ab"},
        {"version1_without_nul", Fixed(std::u16string(260, u'C')), std::nullopt},
        {"unknown_version",
         [] {
             auto b = Counted(u"C:\\a.jpg");
             b[0] = 3;
             return b;
         }(),
         std::nullopt},
        {"count_past_the_end", hugeCount, std::nullopt},
        {"path_past_the_bytes_read", giant, std::nullopt},
    };
}

class RecycleIndexTest : public ::testing::TestWithParam<Payload> {};

TEST_P(RecycleIndexTest, GivesTheRecordedNameOrNone) {
    Payload const& payload = GetParam();
    std::optional<std::string> const name =
        recycle::OriginalName(engine::ByteView(payload.bytes.data(), payload.bytes.size()));
    EXPECT_EQ(name, payload.name);
}

INSTANTIATE_TEST_SUITE_P(Payloads, RecycleIndexTest, ::testing::ValuesIn(Payloads()),
                         [](auto const& param) { return std::string(param.param.pszLabel); });

TEST(RecyclerFilterTest, RecognisesBinsAndTheirEntriesByName) {
    testkit::CTestFileNode bin("$RECYCLE.BIN", true);
    testkit::CTestFileNode binFile("$RECYCLE.BIN", false);
    testkit::CTestFileNode older("recycled", true);
    EXPECT_TRUE(CRecyclerFilter::IsRecycleBinSigleNode(&bin));
    EXPECT_TRUE(CRecyclerFilter::IsRecycleBinSigleNode(&older));
    EXPECT_FALSE(CRecyclerFilter::IsRecycleBinSigleNode(&binFile));

    testkit::CTestFileNode data("$R0A1B2C.doc");
    testkit::CTestFileNode metadata("$RmMetadata");
    testkit::CTestFileNode index("$I0A1B2C.doc");
    testkit::CTestFileNode hashIndex("#I0A1B2C.doc");
    EXPECT_TRUE(CRecyclerFilter::IsRecoverNodeEx(&data));
    EXPECT_FALSE(CRecyclerFilter::IsRecoverNodeEx(&metadata));
    EXPECT_TRUE(CRecyclerFilter::IsRecoverNode(&index));
    EXPECT_TRUE(CRecyclerFilter::IsRecoverNode(&hashIndex));
    EXPECT_FALSE(CRecyclerFilter::IsRecoverNode(&data));

    testkit::CTestFileNode sid("S-1-5-21-1001", true);
    ASSERT_TRUE(bin.AddChild(&sid));
    EXPECT_TRUE(CRecyclerFilter::IsRecycleBin(&sid));
    EXPECT_FALSE(CRecyclerFilter::IsRecycleBin(&data));
}

}  // namespace
