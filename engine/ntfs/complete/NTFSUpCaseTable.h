#pragma once
// The $UpCase contents of the format generation that leaves U+0180 and U+0250 unmapped: the
// upper case of every UTF-16 unit, 256 units to a 512-byte block. A sector equal to its block
// is evidence of the volume whose $UpCase record maps it. Derived from the Unicode 3.2 simple
// upper-case mappings (title-case letters and mappings to later characters left alone); newer
// formats write a later generation, which matches only in its unchanged blocks.
#include <array>
#include <cstdint>

#include "engine/ByteView.h"

class CNTFSUpCaseTable {
public:
    static constexpr std::size_t kUnits = 65536;
    static constexpr std::size_t kBlock = 512;

    /// Value i is the upper case of unit i.
    static std::array<std::uint16_t, kUnits> const& Table();
    /// Whether the 512 bytes at the start of `block` equal the table's block whose number is
    /// their second byte (the high byte of the first value).
    static bool MatchesBlock(engine::ByteView block);
};
