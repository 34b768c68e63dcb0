#pragma once
// The $AttrDef contents every NTFS format tool writes: 16 entries of 160 bytes, the last all
// zeros. A disk stretch equal to one of its first five 512-byte strides is evidence of the
// volume whose $AttrDef record maps it.
//
// | 0   | 128 | attribute name, UTF-16LE, zero-padded |
// | 128 | 4   | type                                  |
// | 132 | 4   | display rule (0)                      |
// | 136 | 4   | collation rule (0)                    |
// | 140 | 4   | flags                                 |
// | 144 | 8   | minimum size                          |
// | 152 | 8   | maximum size (-1: no limit)           |
#include <array>
#include <cstdint>

#include "engine/ByteView.h"

class CNTFSAttrDefTable {
public:
    static constexpr std::size_t kEntrySize = 160;
    static constexpr std::size_t kEntries = 16;
    static constexpr std::size_t kTableSize = kEntrySize * kEntries;
    static constexpr std::size_t kStride = 512;
    static constexpr std::size_t kComparedStrides = 5;

    static std::array<std::uint8_t, kTableSize> const& Table();
    /// Whether the 512 bytes at the start of `stride` equal one of the compared strides.
    static bool MatchesStride(engine::ByteView stride);
};
