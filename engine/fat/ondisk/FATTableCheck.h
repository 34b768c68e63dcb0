#pragma once
// Checks on a file allocation table (entry widths: FATWidth.h; FAT32's reserved top four bits
// are masked off). Entry 0 holds the media byte (0xF0 for removable media, 0xF8-0xFF otherwise)
// with all other bits set; entry 1 holds the end-of-chain mark, whose top two bits in FAT16
// (0x8000, 0x4000) and FAT32 (0x08000000, 0x04000000) record a clean shutdown and no hard error
// and are ignored here; FAT12 has no such bits.
// Links run from 2 to the largest cluster; 0xFF7 / 0xFFF7 / 0x0FFFFFF7 marks a bad cluster and
// higher values the end of a chain.
#include <cstdint>
#include <span>

#include "engine/ByteView.h"
#include "engine/Types.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace fat {

/// 0xF0 (removable media) and 0xF8-0xFF are the media bytes FAT writers use.
bool IsMediaByte(std::uint32_t u32Media);
/// Entry `u64Index` of a raw table in the type's width (FAT32 masked to 28 bits); 0 for an
/// entry not wholly inside the table.
std::uint32_t ReadEntry(engine::ByteView table, FileSystemType eType, std::uint64_t u64Index);
/// Stands for "any media byte" where the boot sector's is not at hand.
inline constexpr int kAnyMedia = -1;

/// Entries 0 and 1 of a raw table look like a FAT's first sector; with `iMedia` given, entry 0
/// also names that media byte.
bool CheckFATHeader(engine::ByteView table, FileSystemType eType, int iMedia = kAnyMedia);
/// FAT32 header first, then FAT16, then FAT12; the type that matched in `eType`. False when neither does.
bool IsValidFATTableFirstSector(engine::ByteView sector, FileSystemType& eType);
/// Entries 0 and 1 (host order) form a sound header; see CheckFATHeader.
bool HasSoundHeader(std::span<std::uint32_t const> entries, FileSystemType eType, int iMedia = kAnyMedia);
/// Header, every link in range, and no two chains joining or a chain looping. Runs in time
/// linear in the entry count: a walk ends at a cluster an earlier walk covered.
bool IsValidFATEntries(std::span<std::uint32_t const> entries, FileSystemType eType, int iMedia = kAnyMedia);
/// Makes a damaged table safe to walk: a link that would bring a chain back to a cluster it
/// passed becomes an end-of-chain mark, so that every walk ends. Chains are followed from their
/// heads (clusters no link names) first, so a file's chain is cut where it first repeats; loops
/// no head leads into are cut where their walk closes. Joined chains stay joined (readers bound
/// a shared tail by the file's size). Linear in the entry count.
void CutChainLoops(std::span<std::uint32_t> entries, FileSystemType eType);

}  // namespace fat
