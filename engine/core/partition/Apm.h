#pragma once
// Apple Partition Map. All numbers big-endian; a block is the driver descriptor's block size.
//
// | Where                     | Offset | Width | Meaning                          |
// | block 0 driver descriptor | 0      | 2     | "ER"                             |
// | block 0                   | 2      | 2     | block size in bytes              |
// | map entry n (block n >= 1)| 0      | 2     | "PM" (or the older "TS")         |
// | map entry                 | 4      | 4     | number of map entries            |
// | map entry                 | 8      | 4     | first block of the partition     |
// | map entry                 | 12     | 4     | partition length in blocks       |
// | map entry                 | 48     | 32    | partition type name              |
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

namespace partition {

/// More map entries than this and the map is not believed.
constexpr std::uint32_t kApmMaxEntries = 31;

struct ApmDriverDescriptor {
    std::uint16_t u16BlockSize = 0;
};

struct ApmMapEntry {
    std::uint32_t u32MapEntries = 0;
    std::uint32_t u32StartBlock = 0;
    std::uint32_t u32BlockCount = 0;
    char szType[32] = {};  // NUL-padded, as stored
};

/// Null without "ER".
std::optional<ApmDriverDescriptor> ParseApmDriverDescriptor(engine::ByteView sector);
/// Null without "PM"/"TS" or when shorter than 80 bytes.
std::optional<ApmMapEntry> ParseApmMapEntry(engine::ByteView sector);

}  // namespace partition
