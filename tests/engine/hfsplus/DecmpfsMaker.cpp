#include "DecmpfsMaker.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

namespace hfsplustest {

constexpr std::size_t kBlock = 0x10000;


void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

namespace {
void EmitLiterals(Bytes& out, Bytes const& data, std::size_t from, std::size_t to) {
    while (from < to) {
        std::size_t const n = std::min<std::size_t>(to - from, 271);
        if (n >= 16) out.insert(out.end(), {0xE0, static_cast<std::uint8_t>(n - 16)});
        else out.push_back(static_cast<std::uint8_t>(0xE0 | n));
        out.insert(out.end(), data.begin() + static_cast<long>(from), data.begin() + static_cast<long>(from + n));
        from += n;
    }
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

}  // namespace

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

}  // namespace hfsplustest
