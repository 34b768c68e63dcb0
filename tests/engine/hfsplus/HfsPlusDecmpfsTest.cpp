// Compressed HFS+ files through their reader: every decmpfs type this system expands (1, 3, 4,
// 7, 8), single- and multi-block, with stored (raw-marked) blocks and chunks, is read back
// byte-exact, also from inside its second block; damaged data fails only its own block's reads.
// The compressed forms are made here: zlib by the system's zlib, LZVN by a small greedy encoder
// that emits literal runs, large-distance matches and previous-distance match extensions.
// LZVN's opcode classes are checked on hand-made vectors.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/decmpfs/LzvnDecode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using hfsplus::CHFSPlusCompressFileReader;
using hfsplus::lzvn_decode;

constexpr std::size_t kBlock = 0x10000;

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void EmitLiterals(Bytes& out, Bytes const& data, std::size_t from, std::size_t to) {
    while (from < to) {
        std::size_t const n = std::min<std::size_t>(to - from, 271);
        if (n >= 16) out.insert(out.end(), {0xE0, static_cast<std::uint8_t>(n - 16)});
        else out.push_back(static_cast<std::uint8_t>(0xE0 | n));
        out.insert(out.end(), data.begin() + static_cast<long>(from), data.begin() + static_cast<long>(from + n));
        from += n;
    }
}

/// Greedy LZVN: 3-byte prefixes find the last earlier position; a match of 3 to 10 bytes is a
/// large-distance opcode, longer ones go on with previous-distance opcodes.
Bytes LzvnEncode(Bytes const& data) {
    Bytes out;
    std::unordered_map<std::uint32_t, std::size_t> last;
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i + 3 <= data.size()) {
        std::uint32_t const key = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16);
        auto const found = last.find(key);
        std::size_t const candidate = found == last.end() ? i : found->second;
        last[key] = i;
        if (candidate == i || i - candidate > 0xFFFF) {
            ++i;
            continue;
        }
        std::size_t const distance = i - candidate;
        std::size_t length = 0;
        while (i + length < data.size() && data[i + length] == data[i + length - distance]) ++length;
        EmitLiterals(out, data, literalStart, i);
        std::size_t const first = std::min<std::size_t>(length, 10);
        out.insert(out.end(), {static_cast<std::uint8_t>(((first - 3) << 3) | 7), static_cast<std::uint8_t>(distance),
                               static_cast<std::uint8_t>(distance >> 8)});
        for (std::size_t rest = length - first; rest > 0;) {
            std::size_t const n = std::min<std::size_t>(rest, 271);
            if (n >= 16) out.insert(out.end(), {0xF0, static_cast<std::uint8_t>(n - 16)});
            else out.push_back(static_cast<std::uint8_t>(0xF0 | n));
            rest -= n;
        }
        i += length;
        literalStart = i;
    }
    EmitLiterals(out, data, literalStart, data.size());
    out.insert(out.end(), {0x06, 0, 0, 0, 0, 0, 0, 0});
    return out;
}

Bytes Zlib(Bytes const& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

Bytes Stored(std::uint8_t marker, Bytes const& data) {
    Bytes out{marker};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Header(std::uint32_t type, std::uint64_t size) {
    Bytes header{'f', 'p', 'm', 'c'};
    PutLe32(header, 4, type);
    PutLe32(header, 8, static_cast<std::uint32_t>(size));
    PutLe32(header, 12, static_cast<std::uint32_t>(size >> 32));
    return header;
}

/// Text-like data: repeated words with a counter, so both coders find matches.
Bytes TextLike(std::size_t size) {
    Bytes data;
    for (std::size_t n = 0; data.size() < size; ++n) {
        std::string const word = "line " + std::to_string(n * 7919 % 1000) + " of the recovered document; ";
        data.insert(data.end(), word.begin(), word.end());
    }
    data.resize(size);
    return data;
}

struct Compressed {
    Bytes attribute;
    Bytes fork;
};

enum class Damage { None, StoredSecondBlock, CorruptSecondBlock, ClaimsOneMore };

/// The attribute and resource fork of `type` holding `data`, laid out as macOS writes them.
Compressed Compress(std::uint32_t type, Bytes const& data, Damage damage) {
    Compressed result;
    result.attribute = Header(type, data.size() + (damage == Damage::ClaimsOneMore ? 1 : 0));
    bool const bZlib = type == 3 || type == 4;
    auto encode = [&](Bytes const& piece, bool bSecond) {
        if (bSecond && damage == Damage::StoredSecondBlock) return Stored(bZlib ? 0xFF : 0x06, piece);
        Bytes coded = bZlib ? Zlib(piece) : LzvnEncode(piece);
        if (bSecond && damage == Damage::CorruptSecondBlock) coded[coded.size() / 2] ^= 0x5A;
        return coded;
    };
    if (type == 1) {
        result.attribute.insert(result.attribute.end(), data.begin(), data.end());
    } else if (type == 3 || type == 7) {
        Bytes const coded = encode(data, false);
        result.attribute.insert(result.attribute.end(), coded.begin(), coded.end());
    } else {
        std::size_t const count = (data.size() + kBlock - 1) / kBlock;
        std::vector<Bytes> pieces;
        for (std::size_t i = 0; i < count; ++i) {
            Bytes const piece(data.begin() + static_cast<long>(i * kBlock),
                              data.begin() + static_cast<long>(std::min(data.size(), (i + 1) * kBlock)));
            pieces.push_back(encode(piece, i == 1));
        }
        Bytes& fork = result.fork;
        if (type == 8) {
            // Chunk offsets from the fork's start, one more than the chunks.
            std::size_t at = 4 * (count + 1);
            for (std::size_t i = 0; i <= count; ++i) {
                PutLe32(fork, 4 * i, static_cast<std::uint32_t>(at));
                if (i < count) at += pieces[i].size();
            }
        } else {
            // A resource header whose data starts at 0x100; there a length, the block count and
            // (offset, length) pairs counted from 0x104.
            fork.assign(0x100, 0);
            fork[2] = 0x01;  // big-endian 0x100
            fork.resize(0x104);
            std::size_t at = 4 + 8 * count;
            PutLe32(fork, 0x104, static_cast<std::uint32_t>(count));
            for (std::size_t i = 0; i < count; ++i) {
                PutLe32(fork, 0x108 + 8 * i, static_cast<std::uint32_t>(at));
                PutLe32(fork, 0x10C + 8 * i, static_cast<std::uint32_t>(pieces[i].size()));
                at += pieces[i].size();
            }
        }
        for (Bytes const& piece : pieces) fork.insert(fork.end(), piece.begin(), piece.end());
    }
    return result;
}

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
    ASSERT_EQ(pReader->GetDataSize(), static_cast<long long>(data.size() + (row.damage == Damage::ClaimsOneMore ? 1 : 0)));

    Bytes read(data.size());
    unsigned int const whole = pReader->ReadData(0, reinterpret_cast<char*>(read.data()), static_cast<unsigned int>(read.size()));
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
    testing::Values(DecmpfsCase{"RawInAttribute", 1, 3000, Damage::None}, DecmpfsCase{"ZlibInAttribute", 3, 3000, Damage::None},
                    DecmpfsCase{"ZlibInAttributeStored", 3, 300, Damage::StoredSecondBlock},
                    DecmpfsCase{"ZlibInAttributeInflatingShort", 3, 3000, Damage::ClaimsOneMore},
                    DecmpfsCase{"LzvnInAttribute", 7, 3000, Damage::None}, DecmpfsCase{"LzvnThreeBytes", 7, 3, Damage::None},
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
    PutLe32(pastFork.fork, 4, 0x7FFFFFFF);
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
        LzvnVector{"LargeLiteral", Cat({{0xE0, 0x01, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q'}, Eos()}),
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
