#pragma once
// MBR and EBR sectors. All numbers little-endian.
//
// | Offset | Width  | Meaning                                         |
// | 446    | 4 x 16 | partition entries                               |
// | 510    | 2      | 0x55 0xAA                                       |
//
// Entry (16 bytes):
// | 0  | 1 | boot indicator: 0x00 or 0x80; anything else and the sector is not believed |
// | 1  | 3 | start CHS (not used)                                                     |
// | 4  | 1 | type: 0x05/0x0F extended, 0x42 dynamic disk, 0xEE GPT protective         |
// | 5  | 3 | end CHS (not used)                                                       |
// | 8  | 4 | lead sectors: start relative to the table's base                         |
// | 12 | 4 | total sectors                                                            |
#include <array>
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

namespace partition {

constexpr std::size_t kMbrSectorBytes = 512;
constexpr std::uint8_t kMbrTypeDynamic = 0x42;
constexpr std::uint8_t kMbrTypeGptProtective = 0xEE;

/// One MBR entry as stored, in host order.
struct CPartitionTableEntry {
    std::uint8_t u8BootIndicator = 0;
    std::uint8_t u8Type = 0;
    std::uint32_t u32LeadSectors = 0;
    std::uint32_t u32TotalSectors = 0;
    bool bAllZero = true;  // an unused slot

    bool IsValidPartitionTableEntry() const { return !bAllZero; }
    bool IsEmptyEntry() const { return u8Type == 0; }
    /// 0x85 is deliberately not extended: such an entry is listed as an ordinary partition.
    bool IsExtenedPartition() const { return u8Type == 0x05 || u8Type == 0x0F; }
};

struct MbrSector {
    std::array<CPartitionTableEntry, 4> entries;
    bool bBootIndicatorsValid = true;  // every entry's indicator is 0x00 or 0x80
};

/// The sector's four entries; null without the 0x55 0xAA signature or when shorter than 512 bytes.
std::optional<MbrSector> ParseMbrSector(engine::ByteView sector);

/// The type byte of each slot, whether or not the signature is there.
bool HasEntryOfType(engine::ByteView sector, std::uint8_t u8Type);
/// A protective MBR: signature present and the first slot typed 0xEE.
bool IsProtectiveMbr(engine::ByteView sector);

}  // namespace partition
