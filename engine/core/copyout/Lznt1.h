#pragma once
// LZNT1, the compression NTFS applies to each 4 KiB chunk of a compression unit
// ([MS-XCA] section 2.5, "LZNT1 Algorithm Details").
//
// A chunk starts with a little-endian 16-bit header:
// | bits  | meaning                                            |
// |  0-11 | the chunk's size in bytes, header included, minus 3 |
// | 12-14 | signature, 3 (not checked: damaged units still yield what they can) |
// |    15 | 1 compressed, 0 stored                             |
// A stored chunk holds (header & 0xFFF) + 1 plain bytes. A compressed chunk is a sequence of
// groups: one flag byte, then up to eight items, least significant flag bit first; a clear bit
// is a literal byte, a set bit a 16-bit little-endian back-reference into the chunk's own output.
#include <cstddef>
#include <cstdint>
#include <span>

namespace engine {

/// The most bytes one chunk expands to.
inline constexpr std::size_t kLznt1ChunkOutput = 4096;

/// Expands the chunk at the start of `input` into `output` and returns the bytes produced.
/// Reads no further than the chunk's own size or the end of `input`, and writes no further
/// than the end of `output` or 4096 bytes. A back-reference reaching before the chunk's
/// first output byte yields zero bytes there.
std::size_t DecompressBlock(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);

}  // namespace engine
