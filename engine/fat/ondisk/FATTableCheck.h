#pragma once
// Checks on a file allocation table. FAT16 entries are 16-bit, FAT32 entries 32-bit of which
// the top four bits are reserved (masked off). Entry 0 holds the media byte with all other bits
// set; entry 1 holds the end-of-chain mark, whose top two bits (FAT16 0x8000 and 0x4000, FAT32
// 0x08000000 and 0x04000000) record a clean shutdown and no hard error and are ignored here.
// Links run from 2 to the largest cluster; 0xFFF7 / 0x0FFFFFF7 marks a bad cluster and higher
// values the end of a chain.
#include <cstdint>
#include <span>

#include "engine/Types.h"
#include "engine/core/bytes/ByteView.h"

namespace fat {

/// Bytes per entry: 2 for FAT16, 4 for FAT32, 0 for other types.
std::uint32_t EntryWidth(FileSystemType eType);
/// The bad-cluster mark of the type: 0xFFF7 or 0x0FFFFFF7.
std::uint32_t BadClusterMark(FileSystemType eType);
/// Entry `u32Index` of a raw table in the type's width (FAT32 masked to 28 bits); 0 outside it.
std::uint32_t ReadEntry(engine::ByteView table, FileSystemType eType, std::uint64_t u64Index);
/// Entries 0 and 1 of a raw table look like a FAT's first sector.
bool CheckFATHeader(engine::ByteView table, FileSystemType eType);
/// FAT32 header first, then FAT16; the type that matched in `eType`. False when neither does.
bool IsValidFATTableFirstSector(engine::ByteView sector, FileSystemType& eType);
/// Header, every link in range, and no two chains joining or a chain looping. Runs in time
/// linear in the entry count: a walk ends at a cluster an earlier walk covered.
bool IsValidFATEntries(std::span<std::uint32_t const> entries, FileSystemType eType);

}  // namespace fat
