#pragma once
// exFAT directory entries (32 bytes each), read into host-order records with the validity
// rules a directory reader applies. Byte 0 is the entry type; bit 7 is the in-use bit, so a
// deleted entry keeps its type with bit 7 clear.
//
//   type (deleted)  entry            fields
//   0x85 (0x05)     file             1 secondary count; 4 attributes (2); 8, 12, 16 creation,
//                                    modification, last-access timestamps; 20, 21 10-ms
//                                    increments; 6-7 and 25-31 zero
//   0xC0 (0x40)     stream extension 1 flags (bit 1 no FAT chain); 2 zero; 3 name length;
//                                    6-7 zero; 8 valid data length (8); 16-19 zero;
//                                    20 first cluster (4); 24 data length (8)
//   0xC1 (0x41)     file name        1 flags, 0; 2 up to 15 UTF-16LE characters
//   0x83 (0x03)     volume label     1 character count (<= 11); 2 11 characters; 24-31 zero
//   0x81            allocation bitmap 1 flags; 2-19 zero; 20 first cluster (4); 24 length (8)
//   0x82            up-case table    1-3 zero; 4 checksum (4); 8-19 zero; 20 first cluster (4);
//                                    24 length (8)
//   0x00            end of the folder: nothing after it is in use
//
// Bit 6 of the type sets secondary entries (which belong to the primary entry before them)
// apart from primary ones, bit 5 benign entries (which a reader may pass over) from critical
// ones. Every other type (volume GUID 0xA0, TexFAT padding 0xA1, vendor extension 0xE0,
// vendor allocation 0xE1, the unused benign types) stands outside file sets.
//
// A timestamp is a DOS date and time: bits 0-4 seconds / 2, 5-10 minutes, 11-15 hours,
// 16-20 day, 21-24 month, 25-31 years since 1980.
#include <array>
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"
#include "engine/exfat/ondisk/ExFatClusters.h"

namespace exfat {

constexpr std::size_t kEntrySize = 32;
constexpr std::uint8_t kInUseBit = 0x80;
constexpr std::uint8_t kTypeFile = 0x85;
constexpr std::uint8_t kTypeStream = 0xC0;
constexpr std::uint8_t kTypeName = 0xC1;
constexpr std::uint8_t kTypeLabel = 0x83;
constexpr std::uint8_t kTypeBitmap = 0x81;
constexpr std::uint8_t kTypeUpcase = 0x82;
constexpr std::uint8_t kTypeEndOfFolder = 0x00;
constexpr std::uint8_t kTypeSecondaryBit = 0x40;
constexpr std::uint8_t kTypeBenignBit = 0x20;
constexpr std::uint16_t kAttributeFolder = 0x10;
constexpr std::uint8_t kStreamNoFatChain = 0x02;
constexpr std::size_t kNameCharsPerEntry = 15;
constexpr std::uint32_t kMinSecondaryCount = 2;
constexpr std::uint32_t kMaxSecondaryCount = 18;

/// 1 where a character below 0x100 may stand in a name: control characters 0x00-0x19 and
/// " * / : < > ? \ | are refused.
extern std::array<std::uint8_t, 256> const g_u8FileNameCheckTable;

/// Characters from 0x100 on are not restricted; below that the table decides.
bool IsNameCharAllowed(std::uint16_t u16Char);

/// Whether a DOS timestamp names a real date and time (day and month non-zero, fields in range).
/// One that does not is an unknown time, never a reason to refuse its entry.
bool IsValidTimestamp(std::uint32_t u32Timestamp);

/// The entry type with the in-use bit set: 0x05 and 0x85 both give 0x85.
inline std::uint8_t LiveType(std::uint8_t u8Type) { return static_cast<std::uint8_t>(u8Type | kInUseBit); }

struct FileEntry {
    bool bInUse = false;
    std::uint8_t u8SecondaryCount = 0;
    std::uint16_t u16Attributes = 0;
    std::uint32_t u32CreationTime = 0;
    std::uint32_t u32ModificationTime = 0;
    std::uint32_t u32LastAccessTime = 0;
};

/// How far a stream entry's sizes may reach: a file's lengths shifted right by `u32LengthShift`
/// must stay below `u64Limit` (the cluster heap's sectors plus one); `u32ClusterShift` turns
/// bytes into clusters.
struct StreamLimits {
    std::uint32_t u32LengthShift = 9;
    std::uint32_t u32ClusterShift = 9;
    std::uint64_t u64Limit = 0;
};

struct StreamEntry {
    bool bInUse = false;
    bool bNoFatChain = false;
    std::uint8_t u8NameLength = 0;
    std::uint32_t u32FirstCluster = 0;
    std::uint64_t u64ValidDataLength = 0;
    std::uint64_t u64DataLength = 0;
};

struct NameEntry {
    bool bInUse = false;
    std::uint8_t u8Count = 0;  // characters before the first 0
    std::array<std::uint16_t, kNameCharsPerEntry> chars{};
};

/// A file entry (0x85 or 0x05) that passes its checks; nothing otherwise. Its timestamps are
/// not checked.
std::optional<FileEntry> ParseFileEntry(engine::ByteView entry);
/// A stream entry (0xC0 or 0x40) whose fixed fields pass their checks; nothing otherwise. Its
/// lengths are the entry set's business: they mean different things for files and folders.
std::optional<StreamEntry> ParseStreamEntry(engine::ByteView entry);
/// A name entry (0xC1 or 0x41) that passes its checks; nothing otherwise.
std::optional<NameEntry> ParseNameEntry(engine::ByteView entry);
/// Whether a volume-label entry (0x83 or 0x03) passes its checks.
bool IsValidLabelEntry(engine::ByteView entry);

/// Where the root folder's allocation bitmap or up-case table lies.
struct VolumeTableEntry {
    std::uint32_t u32FirstCluster = 0;
    std::uint64_t u64Length = 0;
};

/// An allocation-bitmap (0x81) or up-case table (0x82) entry, as `u8Type` says, whose reserved
/// bytes are zero and whose table starts on a cluster and ends inside the cluster numbers even
/// with the largest clusters; nothing otherwise. Its length against a device is the caller's.
std::optional<VolumeTableEntry> ParseVolumeTableEntry(engine::ByteView entry, std::uint8_t u8Type);

/// The 16-bit rotate-and-add sum over every byte of `set` but its bytes 2 and 3, where a set
/// stores it.
std::uint16_t EntrySetChecksum(engine::ByteView set);

/// The entry-set checksum test: EntrySetChecksum of `set` must equal `u16Stored`. A deleted set
/// (first byte 0x05) also passes with the in-use bit of every entry restored, which is how it
/// was summed while live. An empty set passes only for 0.
bool CheckDirEntry(engine::ByteView set, std::uint16_t u16Stored);

}  // namespace exfat
