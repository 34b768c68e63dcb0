#include <gtest/gtest.h>

#include <string>

#include "engine/UiModelServices.h"

namespace {

struct Utf8Case {
    char const* pszName;
    std::string bytes;
    bool bValid;
};

}  // namespace

TEST(IsValidStringTest, AcceptsOnlyStrictUtf8) {
    Utf8Case const cases[] = {
        {"empty", "", true},
        {"ascii", "IMG_0001.JPG", true},
        {"two-byte e-acute", "caf\xC3\xA9", true},
        {"three-byte euro", "\xE2\x82\xAC", true},
        {"last before surrogates U+D7FF", "\xED\x9F\xBF", true},
        {"first after surrogates U+E000", "\xEE\x80\x80", true},
        {"four-byte emoji", "\xF0\x9F\x98\x80", true},
        {"highest code point U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"overlong NUL C0 80", "\xC0\x80", false},
        {"overlong C1 BF", "\xC1\xBF", false},
        {"overlong three-byte E0 80 80", "\xE0\x80\x80", false},
        {"overlong three-byte E0 9F BF", "\xE0\x9F\xBF", false},
        {"overlong four-byte F0 8F BF BF", "\xF0\x8F\xBF\xBF", false},
        {"surrogate ED A0 80", "\xED\xA0\x80", false},
        {"surrogate ED BF BF", "\xED\xBF\xBF", false},
        {"above U+10FFFF F4 90 80 80", "\xF4\x90\x80\x80", false},
        {"lead byte F5", "\xF5\x80\x80\x80", false},
        {"lead byte FF", "\xFF", false},
        {"lone continuation byte", "a\x80z", false},
        {"two-byte cut at the end", "ab\xC3", false},
        {"three-byte cut at the end", "\xE2\x82", false},
        {"four-byte cut at the end", "\xF0\x9F\x98", false},
        {"three-byte cut by ASCII", "\xE2\x82z", false},
        {"continuation missing in the middle", "\xF0\x9F\x41\x80", false},
    };
    for (Utf8Case const& c : cases) EXPECT_EQ(isValidString(c.bytes.c_str()), c.bValid) << c.pszName;
}

TEST(IsValidStringTest, NullIsNotValid) { EXPECT_FALSE(isValidString(nullptr)); }
