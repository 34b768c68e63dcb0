#pragma once
// The "com.apple.decmpfs" extended attribute of a compressed file: a 16-byte little-endian
// header ("fpmc" magic, compression type, uncompressed size) and, for the attribute kinds,
// the compressed data itself.
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

namespace hfsplus {

inline constexpr char const* kDecmpfsAttributeName = "com.apple.decmpfs";
inline constexpr std::uint64_t kDecmpfsBlockSize = 0x10000;  // each block or chunk expands to this

enum class DecmpfsKind : std::uint32_t {
    RawAttribute = 1,
    ZlibAttribute = 3,
    ZlibResource = 4,
    LzvnAttribute = 7,
    LzvnResource = 8,
};

struct DecmpfsHeader {
    std::uint32_t u32Type = 0;
    std::uint64_t u64UncompressedSize = 0;
    engine::ByteView payload;  // the attribute's bytes after the header
};

/// The header of `attribute`; nullopt without the magic or when shorter than the header.
std::optional<DecmpfsHeader> ParseDecmpfsHeader(engine::ByteView attribute);

/// Whether this system can expand the type (1, 3, 4, 7, 8).
bool IsKnownDecmpfsKind(std::uint32_t u32Type);
/// Whether the type keeps its data in the resource fork (4, 8).
bool IsResourceDecmpfsKind(std::uint32_t u32Type);

}  // namespace hfsplus
