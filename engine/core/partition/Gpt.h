#pragma once
// GPT header and partition entry array. All numbers little-endian.
//
// Header (LBA 1; its backup in the last LBA):
// | Offset | Width | Meaning                                     |
// | 0      | 8     | "EFI PART"                                  |
// | 72     | 8     | first LBA of the entry array                |
// | 80     | 4     | number of entries                           |
// | 84     | 4     | bytes per entry: 128 x 2^n                  |
//
// Entry:
// | Offset | Width | Meaning                                     |
// | 0      | 16    | partition type GUID; all zero = empty slot  |
// | 16     | 16    | unique partition GUID                       |
// | 32     | 8     | first LBA                                   |
// | 40     | 8     | last LBA, inclusive                         |
// | 48     | 80    | attributes and UTF-16 name (not used)       |
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"

namespace partition {

constexpr std::uint64_t kGptHeaderLba = 1;
/// Slots past this many are not read, whatever the header counts.
constexpr std::uint32_t kGptMaxEntryCount = 128;
constexpr std::uint32_t kGptMinEntryBytes = 128;
/// Larger entries than this are not believed: every tool writes 128 bytes.
constexpr std::uint32_t kGptMaxEntryBytes = 4096;

/// Where the header places the entry array.
struct GptHeader {
    std::uint64_t u64EntryArrayLba = 0;
    std::uint32_t u32EntryCount = 0;  // at most kGptMaxEntryCount
    std::uint32_t u32EntryBytes = 0;  // a power-of-two multiple of 128, at most kGptMaxEntryBytes
};

/// Null without "EFI PART" or with an entry size outside 128 x 2^n up to kGptMaxEntryBytes;
/// a larger count is cut to kGptMaxEntryCount.
std::optional<GptHeader> ParseGptHeader(engine::ByteView sector);

/// One used slot, GUIDs kept in their on-disk byte order.
struct GptEntry {
    std::uint32_t u32Index = 0;  // slot position from 1
    std::uint8_t typeGuid[16] = {};
    std::uint8_t uniqueGuid[16] = {};
    std::uint64_t u64FirstLba = 0;
    std::uint64_t u64LastLba = 0;
};

/// The used slots among the first `u32Count` entries of `u32EntryBytes` each, in slot order;
/// only whole entries inside `array` are read.
std::vector<GptEntry> ParseGptEntries(engine::ByteView array, std::uint32_t u32Count, std::uint32_t u32EntryBytes);

}  // namespace partition
