#include "support/DecmpfsMaker.h"

#include <zlib.h>

#include <gtest/gtest.h>
#include "engine/ByteWriter.h"

namespace hfsplustest {

constexpr std::size_t kBlock = 0x10000;

namespace {
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

Bytes Header(std::uint32_t type, std::uint64_t size) {
    Bytes header{'f', 'p', 'm', 'c'};
    header.resize(16);
    engine::ByteWriter fields(header);
    fields.Le32(4, type);
    fields.Le32(8, static_cast<std::uint32_t>(size));
    fields.Le32(12, static_cast<std::uint32_t>(size >> 32));
    return header;
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
            fork.resize(at);
            for (std::size_t i = 0; i <= count; ++i) {
                engine::ByteWriter(fork).Le32(4 * i, static_cast<std::uint32_t>(at));
                if (i < count) at += pieces[i].size();
            }
        } else {
            // A resource header whose data starts at 0x100; there a length, the block count and
            // (offset, length) pairs counted from 0x104.
            fork.assign(0x100, 0);
            fork[2] = 0x01;  // big-endian 0x100
            std::size_t at = 4 + 8 * count;
            fork.resize(0x104 + at);
            engine::ByteWriter(fork).Le32(0x104, static_cast<std::uint32_t>(count));
            for (std::size_t i = 0; i < count; ++i) {
                engine::ByteWriter(fork).Le32(0x108 + 8 * i, static_cast<std::uint32_t>(at));
                engine::ByteWriter(fork).Le32(0x10C + 8 * i, static_cast<std::uint32_t>(pieces[i].size()));
                at += pieces[i].size();
            }
        }
        for (Bytes const& piece : pieces) fork.insert(fork.end(), piece.begin(), piece.end());
    }
    return result;
}

}  // namespace hfsplustest
