#pragma once
// What the width of a FAT volume's table entries decides. FAT12 packs two 12-bit entries in
// three bytes, FAT16 entries are 16-bit and FAT32 entries 32-bit with the top four bits
// reserved. FAT12 and FAT16 keep the root folder in a fixed region between the FATs and the
// data area; FAT32 keeps it in a cluster chain.
#include <cstdint>

#include "engine/Types.h"

namespace fat {

constexpr bool IsFatType(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 || eType == FILE_SYSTEM_FAT16 || eType == FILE_SYSTEM_FAT32;
}

/// The root folder lies in the fixed region after the FATs (FAT12, FAT16).
constexpr bool HasFixedRoot(FileSystemType eType) { return eType == FILE_SYSTEM_FAT12 || eType == FILE_SYSTEM_FAT16; }

/// Bits per entry: 12, 16 or 32; 0 for other types.
constexpr std::uint32_t EntryBits(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 ? 12 : eType == FILE_SYSTEM_FAT16 ? 16 : eType == FILE_SYSTEM_FAT32 ? 32 : 0;
}

/// Whole entries in `u64Bytes` bytes of a table; 0 for other types.
constexpr std::uint64_t EntriesIn(std::uint64_t u64Bytes, FileSystemType eType) {
    return EntryBits(eType) == 0 ? 0 : u64Bytes * 8 / EntryBits(eType);
}

/// The bad-cluster mark: 0xFF7, 0xFFF7 or 0x0FFFFFF7 (values above it end a chain).
constexpr std::uint32_t BadClusterMark(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 ? 0xFF7 : eType == FILE_SYSTEM_FAT16 ? 0xFFF7 : 0x0FFFFFF7;
}

/// The end-of-chain mark written where a chain is cut: every bit of the entry set.
constexpr std::uint32_t EndOfChainMark(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 ? 0xFFF : eType == FILE_SYSTEM_FAT16 ? 0xFFFF : 0x0FFFFFFF;
}

/// The most data clusters the entry width can number (clusters 2 up to just below the marks).
constexpr std::uint64_t MaxClusterCount(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 ? 0xFF5 : eType == FILE_SYSTEM_FAT16 ? 0xFFF5 : 0x0FFFFFF5;
}

}  // namespace fat
