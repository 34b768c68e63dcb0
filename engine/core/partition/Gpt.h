#pragma once
// GPT partition entry array. The header in LBA 1 is not read: the array is taken from LBA 2
// as 128 entries of 128 bytes, the layout every GPT tool writes. All numbers little-endian.
//
// | Offset | Width | Meaning                                     |
// | 0      | 16    | partition type GUID; all zero = empty slot  |
// | 16     | 16    | unique partition GUID                       |
// | 32     | 8     | first LBA                                   |
// | 40     | 8     | last LBA, inclusive                         |
// | 48     | 80    | attributes and UTF-16 name (not used)       |
#include <cstdint>
#include <vector>

#include "engine/core/bytes/ByteView.h"

namespace partition {

constexpr std::uint64_t kGptEntryArrayLba = 2;
constexpr std::size_t kGptEntryCount = 128;
constexpr std::size_t kGptEntryBytes = 128;
constexpr std::size_t kGptEntryArrayBytes = kGptEntryCount * kGptEntryBytes;

/// One used slot, GUIDs kept in their on-disk byte order.
struct GptEntry {
    std::uint32_t u32Index = 0;  // slot position from 1
    std::uint8_t typeGuid[16] = {};
    std::uint8_t uniqueGuid[16] = {};
    std::uint64_t u64FirstLba = 0;
    std::uint64_t u64LastLba = 0;
};

/// The used slots of the array, in slot order; only whole entries inside `array` are read.
std::vector<GptEntry> ParseGptEntries(engine::ByteView array);

}  // namespace partition
