#include "engine/core/util/Utf16.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Utf16Case {
    char const* label;
    std::vector<std::uint16_t> units;
    std::string expected;
};

class Utf16ToUtf8Test : public testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16ToUtf8Test, ConvertsEveryUnit) { EXPECT_EQ(engine::Utf16ToUtf8(GetParam().units), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Names, Utf16ToUtf8Test,
                         testing::Values(Utf16Case{"ascii", {'a', 'B', '1'}, "aB1"},
                                         Utf16Case{"twoAndThreeBytes", {0x00E9, 0x4E2D}, "\xC3\xA9\xE4\xB8\xAD"},
                                         Utf16Case{"surrogatePairKept", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
                                         Utf16Case{"loneHighSurrogate", {0xD83D, 'x'}, "\xEF\xBF\xBDx"},
                                         Utf16Case{"loneLowSurrogate", {0xDE00}, "\xEF\xBF\xBD"},
                                         Utf16Case{"highSurrogateAtEnd", {'a', 0xD800}, "a\xEF\xBF\xBD"}),
                         [](testing::TestParamInfo<Utf16Case> const& param) { return param.param.label; });

TEST(AppendUtf8BoundedTest, StopsBeforeACharacterThatWouldCrossTheLimit) {
    std::string out = "ab";
    engine::AppendUtf8Bounded(out,
                              "c\xE4\xB8\xAD"
                              "d",
                              5);
    EXPECT_EQ(out, "abc");
    engine::AppendUtf8Bounded(out, "\xC3\xA9", 5);
    EXPECT_EQ(out, "abc\xC3\xA9");
    engine::AppendUtf8Bounded(out, "z", 5);
    EXPECT_EQ(out, "abc\xC3\xA9");
}

}  // namespace
