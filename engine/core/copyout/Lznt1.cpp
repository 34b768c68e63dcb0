#include "engine/core/copyout/Lznt1.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteView.h"

namespace engine {
namespace {

constexpr std::uint16_t kSizeMask = 0x0FFF;
constexpr std::uint16_t kCompressedFlag = 0x8000;
constexpr std::size_t kHeaderSize = 2;

/// How many bits of a back-reference at output position `position` go to the length: 12 at
/// the chunk's start, one fewer each time the position doubles past 16, so that the
/// displacement can always reach the chunk's first byte.
unsigned LengthBits(std::size_t position) {
    std::size_t reach = position > 0 ? position - 1 : 0;
    unsigned shift = 0;
    while (reach >= 0x10) {
        reach >>= 1;
        ++shift;
    }
    return 12 - shift;
}

}  // namespace

std::size_t DecompressBlock(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) {
    ByteView const chunk(input);
    if (!chunk.Has(0, kHeaderSize)) return 0;
    std::uint16_t const header = chunk.Le16(0);
    std::size_t const end = std::min<std::size_t>((header & kSizeMask) + 3u, input.size());
    std::size_t const capacity = std::min(output.size(), kLznt1ChunkOutput);

    if ((header & kCompressedFlag) == 0) {
        std::size_t const count = std::min({std::size_t{(header & kSizeMask) + 1u}, end - kHeaderSize, capacity});
        std::memcpy(output.data(), input.data() + kHeaderSize, count);
        return count;
    }

    std::size_t in = kHeaderSize;
    std::size_t out = 0;
    while (in < end && out < capacity) {
        std::uint8_t flags = input[in++];
        for (int item = 0; item < 8 && in < end && out < capacity; ++item, flags >>= 1) {
            if ((flags & 1) == 0) {
                output[out++] = input[in++];
                continue;
            }
            if (!chunk.Has(in, 2) || in + 2 > end) return out;
            std::uint16_t const token = chunk.Le16(in);
            in += 2;
            unsigned const lengthBits = LengthBits(out);
            std::size_t const length = (token & (0xFFFFu >> (16 - lengthBits))) + 3u;
            std::size_t const displacement = (std::size_t{token} >> lengthBits) + 1u;
            // Byte by byte: a reference may overlap the bytes it is producing.
            for (std::size_t i = 0; i < length && out < capacity; ++i, ++out)
                output[out] = out >= displacement ? output[out - displacement] : 0;
        }
    }
    return out;
}

}  // namespace engine
