#include "engine/core/copyout/Lznt1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CopyOutFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Expand(Bytes const& chunk, std::size_t capacity = 4096) {
    Bytes output(capacity, 0xEE);
    std::size_t const produced = engine::DecompressBlock(chunk, output);
    return std::string(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(produced));
}

struct ChunkCase {
    char const* pszName;
    Bytes chunk;
    std::string expected;
};

class Lznt1ChunkTest : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(Lznt1ChunkTest, ExpandsToTheExpectedBytes) { EXPECT_EQ(Expand(GetParam().chunk), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Chunks, Lznt1ChunkTest,
    ::testing::Values(
        // Header 0x3003: stored, (3 + 1) plain bytes follow.
        ChunkCase{"Stored", {0x03, 0x30, 'w', 'x', 'y', 'z'}, "wxyz"},
        // Header 0xB005: compressed, 8 bytes in all. Flags 0x08: three literals, then token
        // 0x2003 at position 3: displacement (0x2003 >> 12) + 1 = 3, length 3 + 3 = 6, which
        // overlaps the bytes it produces.
        ChunkCase{"OverlappingReference", {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x03, 0x20}, "abcabcabc"},
        // Flags 0x02: literal 'q', then token 0x1000 at position 1: displacement 2, length 3.
        // Its first byte would come from before the chunk: a zero.
        ChunkCase{"ReferenceBeforeChunkStart", {0x03, 0xB0, 0x02, 'q', 0x00, 0x10}, std::string("q\0q\0", 4)},
        // At position 16 a token still splits 4/12: 0xF000 is displacement 16, length 3.
        ChunkCase{"SplitAtPosition16",
                  {0x14, 0xB0, 0x00, 'a', 'b', 'c', 'd', 'e', 'f',  'g',  'h', 0x00,
                   'i',  'j',  'k',  'l', 'm', 'n', 'o', 'p', 0x01, 0x00, 0xF0},
                  "abcdefghijklmnopabc"},
        // At position 17 the split is 5/11: 0x8000 is displacement 17, length 3.
        ChunkCase{"SplitAtPosition17",
                  {0x15, 0xB0, 0x00, 'a', 'b', 'c', 'd', 'e', 'f',  'g', 'h',  0x00,
                   'i',  'j',  'k',  'l', 'm', 'n', 'o', 'p', 0x02, 'q', 0x00, 0x80},
                  "abcdefghijklmnopqabc"},
        // A header claiming 4098 bytes with only a few present: decoding stops at the input's end.
        ChunkCase{"HeaderLongerThanInput", {0xFF, 0xBF, 0x00, 'a', 'b'}, "ab"},
        // A token cut off by the chunk's end ends the chunk.
        ChunkCase{"TruncatedToken", {0x02, 0xB0, 0x06, 'a', 0x00, 0x00}, "a"},
        // The chunk's size, not the input's, ends decoding: bytes behind it are not items.
        ChunkCase{"StopsAtChunkSize", {0x02, 0xB0, 0x00, 'a', 'b', 'c', 'd'}, "ab"}),
    [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(Lznt1Test, RepeatChunkFillsWholeChunk) {
    EXPECT_EQ(Expand(copyouttest::RepeatChunk('A', 4096)), std::string(4096, 'A'));
    EXPECT_EQ(Expand(copyouttest::RepeatChunk('B', 1000)), std::string(1000, 'B'));
}

TEST(Lznt1Test, OutputIsBoundedByCapacityAndByOneChunk) {
    Bytes const chunk = copyouttest::RepeatChunk('A', 4096);
    EXPECT_EQ(Expand(chunk, 5), std::string(5, 'A'));
    // Header 0xB00F, flags 0xFE: a literal, then seven references of length 4098 each.
    Bytes lying = {0x0F, 0xB0, 0xFE, 'x'};
    for (int i = 0; i < 7; ++i) lying.insert(lying.end(), {0xFF, 0x0F});
    Bytes output(8192, 0xEE);
    EXPECT_EQ(engine::DecompressBlock(lying, output), 4096u);
    EXPECT_EQ(output[4095], 'x');
    EXPECT_EQ(output[4096], 0xEE);
}

TEST(Lznt1Test, EmptyAndOneByteInputsProduceNothing) {
    Bytes output(16);
    EXPECT_EQ(engine::DecompressBlock({}, output), 0u);
    Bytes const one = {0x05};
    EXPECT_EQ(engine::DecompressBlock(one, output), 0u);
}

}  // namespace
