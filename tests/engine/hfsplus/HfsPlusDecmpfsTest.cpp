// Compressed HFS+ files through their reader: every decmpfs type this system expands (1, 3, 4,
// 7, 8), single- and multi-block, with stored (raw-marked) blocks and chunks, is read back
// byte-exact, also from inside its second block; damaged data fails only its own block's reads.
// LZVN's opcode classes are checked on hand-made vectors.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <vector>

#include "engine/ByteWriter.h"
#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/decmpfs/LzvnDecode.h"
#include "support/DecmpfsMaker.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using hfsplus::CHFSPlusCompressFileReader;
using hfsplus::lzvn_decode;

constexpr std::size_t kBlock = 0x10000;
using hfsplustest::Compress;
using hfsplustest::Compressed;
using hfsplustest::Damage;
using hfsplustest::Header;
using hfsplustest::TextLike;

std::unique_ptr<CHFSPlusCompressFileReader, void (*)(CHFSPlusCompressFileReader*)> OpenReader(Compressed const& c) {
    auto const pFork = std::make_shared<Bytes>(c.fork);
    CHFSPlusCompressFileReader* pReader = CHFSPlusCompressFileReader::Open(
        c.attribute,
        [pFork](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) -> std::uint64_t {
            if (u64Offset > pFork->size()) return 0;
            std::uint64_t const n = std::min<std::uint64_t>(u64Length, pFork->size() - u64Offset);
            std::copy_n(pFork->data() + u64Offset, n, pBuffer);
            return n;
        },
        c.fork.size());
    return {pReader, [](CHFSPlusCompressFileReader* p) {
                if (p != nullptr) p->Release();
            }};
}

struct DecmpfsCase {
    char const* pszName;
    std::uint32_t u32Type;
    std::size_t size;
    Damage damage;
};

class HfsPlusDecmpfsTest : public testing::TestWithParam<DecmpfsCase> {};

TEST_P(HfsPlusDecmpfsTest, ReadsBackWhatWasCompressed) {
    DecmpfsCase const& row = GetParam();
    Bytes const data = TextLike(row.size);
    auto const pReader = OpenReader(Compress(row.u32Type, data, row.damage));
    ASSERT_NE(pReader, nullptr);
    ASSERT_EQ(pReader->GetDataSize(),
              static_cast<long long>(data.size() + (row.damage == Damage::ClaimsOneMore ? 1 : 0)));

    Bytes read(data.size());
    unsigned int const whole =
        pReader->ReadData(0, reinterpret_cast<char*>(read.data()), static_cast<unsigned int>(read.size()));
    if (row.damage == Damage::CorruptSecondBlock || row.damage == Damage::ClaimsOneMore) {
        EXPECT_EQ(whole, 0u) << "a damaged block must fail its reads";
        if (row.damage == Damage::CorruptSecondBlock) {
            // The blocks around it still read, each at its own place.
            EXPECT_EQ(pReader->ReadData(0, reinterpret_cast<char*>(read.data()), kBlock), kBlock);
            EXPECT_TRUE(std::equal(read.begin(), read.begin() + kBlock, data.begin()));
            EXPECT_EQ(pReader->ReadData(2 * kBlock, reinterpret_cast<char*>(read.data()), 100), 100u);
            EXPECT_TRUE(std::equal(read.begin(), read.begin() + 100, data.begin() + 2 * kBlock));
        }
        return;
    }
    ASSERT_EQ(whole, data.size());
    EXPECT_EQ(read, data);
    if (data.size() > kBlock + 5000) {
        auto const pFresh = OpenReader(Compress(row.u32Type, data, row.damage));
        Bytes part(3000);
        ASSERT_EQ(pFresh->ReadData(kBlock + 1234, reinterpret_cast<char*>(part.data()), 3000), 3000u);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), data.begin() + kBlock + 1234));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, HfsPlusDecmpfsTest,
    testing::Values(DecmpfsCase{"RawInAttribute", 1, 3000, Damage::None},
                    DecmpfsCase{"ZlibInAttribute", 3, 3000, Damage::None},
                    DecmpfsCase{"ZlibInAttributeStored", 3, 300, Damage::StoredSecondBlock},
                    DecmpfsCase{"ZlibInAttributeInflatingShort", 3, 3000, Damage::ClaimsOneMore},
                    DecmpfsCase{"LzvnInAttribute", 7, 3000, Damage::None},
                    DecmpfsCase{"LzvnThreeBytes", 7, 3, Damage::None},
                    DecmpfsCase{"ZlibInResourceFork", 4, 3 * kBlock + 777, Damage::None},
                    DecmpfsCase{"ZlibInResourceForkStoredBlock", 4, 3 * kBlock + 777, Damage::StoredSecondBlock},
                    DecmpfsCase{"ZlibInResourceForkCorruptBlock", 4, 3 * kBlock + 777, Damage::CorruptSecondBlock},
                    DecmpfsCase{"LzvnInResourceFork", 8, 3 * kBlock + 777, Damage::None},
                    DecmpfsCase{"LzvnInResourceForkStoredChunk", 8, 3 * kBlock + 777, Damage::StoredSecondBlock},
                    DecmpfsCase{"LzvnInResourceForkCorruptChunk", 8, 3 * kBlock + 777, Damage::CorruptSecondBlock},
                    DecmpfsCase{"LzvnInResourceForkThreeBytes", 8, 3, Damage::None},
                    DecmpfsCase{"LzvnInResourceForkExactBlocks", 8, 2 * kBlock, Damage::None}),
    [](testing::TestParamInfo<DecmpfsCase> const& row) { return std::string(row.param.pszName); });

TEST(HfsPlusDecmpfs, RefusesUnknownTypesAndImpossibleSizes) {
    Compressed lzfse{Header(11, 100), {}};
    EXPECT_EQ(OpenReader(lzfse), nullptr);
    // A resource kind claiming more than its blocks can hold.
    Compressed tooBig = Compress(8, TextLike(1000), Damage::None);
    tooBig.attribute = Header(8, 5 * kBlock);
    EXPECT_EQ(OpenReader(tooBig), nullptr);
    // An attribute stream claiming more than any zlib stream of its length expands to.
    Compressed inflated = Compress(3, TextLike(1000), Damage::None);
    inflated.attribute = Header(3, 1ull << 40);
    inflated.attribute.push_back(0x78);
    EXPECT_EQ(OpenReader(inflated), nullptr);
    // A chunk table pointing past the fork.
    Compressed pastFork = Compress(8, TextLike(1000), Damage::None);
    engine::ByteWriter(pastFork.fork).Le32(4, 0x7FFFFFFF);
    EXPECT_EQ(OpenReader(pastFork), nullptr);
}

struct LzvnVector {
    char const* pszName;
    Bytes input;
    std::string expected;
    std::size_t capacity;
    bool bFailed;
};

class LzvnVectorTest : public testing::TestWithParam<LzvnVector> {};

TEST_P(LzvnVectorTest, DecodesAsTheFormatSays) {
    LzvnVector const& row = GetParam();
    Bytes output(row.capacity + 8, 0xCC);
    hfsplus::LzvnResult const result = lzvn_decode(row.input, std::span(output).first(row.capacity));
    EXPECT_EQ(result.bFailed, row.bFailed);
    EXPECT_EQ(std::string(output.begin(), output.begin() + static_cast<long>(result.produced)), row.expected);
    for (std::size_t i = row.capacity; i < output.size(); ++i) ASSERT_EQ(output[i], 0xCC) << "wrote past the capacity";
}

Bytes Eos() { return {0x06, 0, 0, 0, 0, 0, 0, 0}; }
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (Bytes const& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Opcodes, LzvnVectorTest,
    testing::Values(
        LzvnVector{"SmallLiteral", Cat({{0xE3, 'a', 'b', 'c'}, Eos()}), "abc", 64, false},
        LzvnVector{
            "LargeLiteral",
            Cat({{0xE0, 0x01, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q'},
                 Eos()}),
            "abcdefghijklmnopq", 64, false},
        // LLMMMDDD: one literal, a 3-byte match at distance 1.
        LzvnVector{"SmallDistance", Cat({{0x40, 0x01, 'x'}, Eos()}), "xxxx", 64, false},
        // 101LLMMM DDDDDDMM DDDDDDDD: after "ab", 3 bytes at distance 2.
        LzvnVector{"MediumDistance", Cat({{0xE2, 'a', 'b', 0xA0, 0x08, 0x00}, Eos()}), "ababa", 64, false},
        LzvnVector{"LargeDistance", Cat({{0xE2, 'a', 'b', 0x0F, 0x02, 0x00}, Eos()}), "ababab", 64, false},
        // LLMMM110: one literal, then 3 bytes at the previous distance (1).
        LzvnVector{"PreviousDistance", Cat({{0x40, 0x01, 'x', 0x46, 'y'}, Eos()}), "xxxxyyyy", 64, false},
        LzvnVector{"SmallMatch", Cat({{0x40, 0x01, 'x', 0xF2}, Eos()}), "xxxxxx", 64, false},
        LzvnVector{"LargeMatch", Cat({{0x40, 0x01, 'x', 0xF0, 0x00}, Eos()}), std::string(20, 'x'), 64, false},
        LzvnVector{"Nops", Cat({{0x0E, 0xE1, 'a', 0x16}, Eos()}), "a", 64, false},
        LzvnVector{"EndStopsTheStream", Cat({{0xE1, 'a'}, Eos(), {0xE1, 'b'}}), "a", 64, false},
        LzvnVector{"UndefinedPreviousDistanceWithoutLiterals", {0xE1, 'a', 0x1E}, "a", 64, true},
        LzvnVector{"UndefinedOneLiteralNineMatch", {0xE1, 'a', 0x70, 0x01, 'b'}, "a", 64, true},
        LzvnVector{"UndefinedThreeLiteralsSixMatch", {0xE1, 'a', 0xD8, 0x01, 0x00, 'b', 'c', 'd'}, "a", 64, true},
        LzvnVector{"DistanceBeyondOutput", {0x40, 0x05, 'x'}, "x", 64, true},
        LzvnVector{"TruncatedOperand", {0xE1, 'a', 0x07, 0x01}, "a", 64, true},
        LzvnVector{"TruncatedLiterals", {0xE5, 'a', 'b'}, "", 64, true},
        LzvnVector{"CapacityBelowOutput", Cat({{0x40, 0x01, 'x', 0xF0, 0x00}, Eos()}), std::string(11, 'x'), 11, false},
        LzvnVector{"CapacityInsideLiterals", Cat({{0xE3, 'a', 'b', 'c'}, Eos()}), "ab", 2, false}),
    [](testing::TestParamInfo<LzvnVector> const& row) { return std::string(row.param.pszName); });

}  // namespace
