#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace exfat {

namespace {

constexpr std::array<std::uint8_t, 256> MakeNameTable() {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t c = 0x1A; c < table.size(); ++c) table[c] = 1;
    for (char c : {'"', '*', '/', ':', '<', '>', '?', '\\', '|'}) table[static_cast<std::uint8_t>(c)] = 0;
    return table;
}

// A critical primary entry has bits 5 and 6 clear; a critical secondary one has only bit 6 set.
constexpr std::uint8_t kTypeClassMask = kTypeSecondaryBit | kTypeBenignBit;
constexpr std::uint8_t kSecondaryClass = kTypeSecondaryBit;
constexpr std::uint64_t kClusterMarkStart = 0xFFFFFFF6;
constexpr std::size_t kLabelMaxChars = 11;

bool AllZero(engine::ByteView entry, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i)
        if (entry.U8(i) != 0) return false;
    return true;
}

bool IsPrimary(std::uint8_t u8Type) { return (u8Type & kTypeClassMask) == 0; }
bool IsSecondary(std::uint8_t u8Type) { return (u8Type & kTypeClassMask) == kSecondaryClass; }

std::uint16_t RotateAdd(std::uint16_t u16Sum, std::uint8_t u8Byte) {
    return static_cast<std::uint16_t>(((u16Sum & 1u) ? 0x8000u : 0u) + (u16Sum >> 1) + u8Byte);
}

std::uint16_t SetChecksum(engine::ByteView set, bool bRestoreInUse) {
    std::uint16_t u16Sum = 0;
    for (std::size_t i = 0; i < set.Size(); ++i) {
        if (i == 2 || i == 3) continue;
        std::uint8_t u8Byte = set.U8(i);
        if (bRestoreInUse && i % kEntrySize == 0) u8Byte |= kInUseBit;
        u16Sum = RotateAdd(u16Sum, u8Byte);
    }
    return u16Sum;
}

}  // namespace

std::array<std::uint8_t, 256> const g_u8FileNameCheckTable = MakeNameTable();

bool IsNameCharAllowed(std::uint16_t u16Char) { return u16Char >= 0x100 || g_u8FileNameCheckTable[u16Char] != 0; }

bool IsValidTimestamp(std::uint32_t u32Timestamp) {
    std::uint32_t const u32DoubleSeconds = u32Timestamp & 0x1F;
    std::uint32_t const u32Minutes = (u32Timestamp >> 5) & 0x3F;
    std::uint32_t const u32Hours = (u32Timestamp >> 11) & 0x1F;
    std::uint32_t const u32Day = (u32Timestamp >> 16) & 0x1F;
    std::uint32_t const u32Month = (u32Timestamp >> 21) & 0x0F;
    return u32Day != 0 && u32DoubleSeconds <= 29 && u32Minutes <= 59 && u32Hours <= 23 && u32Month >= 1 &&
           u32Month <= 12;
}

std::optional<FileEntry> ParseFileEntry(engine::ByteView entry) {
    if (!entry.Has(0, kEntrySize)) return std::nullopt;
    std::uint8_t const u8Type = entry.U8(0);
    if (LiveType(u8Type) != kTypeFile || !IsPrimary(u8Type)) return std::nullopt;
    FileEntry result;
    result.bInUse = (u8Type & kInUseBit) != 0;
    result.u8SecondaryCount = entry.U8(1);
    if (result.u8SecondaryCount < kMinSecondaryCount || result.u8SecondaryCount > kMaxSecondaryCount)
        return std::nullopt;
    result.u16Attributes = entry.Le16(4);
    result.u32CreationTime = entry.Le32(8);
    result.u32ModificationTime = entry.Le32(12);
    result.u32LastAccessTime = entry.Le32(16);
    if (!AllZero(entry, 6, 7) || !AllZero(entry, 25, 31)) return std::nullopt;
    return result;
}

std::optional<StreamEntry> ParseStreamEntry(engine::ByteView entry) {
    if (!entry.Has(0, kEntrySize)) return std::nullopt;
    std::uint8_t const u8Type = entry.U8(0);
    if (LiveType(u8Type) != kTypeStream || !IsSecondary(u8Type)) return std::nullopt;
    if (entry.U8(2) != 0 || !AllZero(entry, 6, 7) || !AllZero(entry, 16, 19)) return std::nullopt;
    StreamEntry result;
    result.bInUse = (u8Type & kInUseBit) != 0;
    result.bNoFatChain = (entry.U8(1) & kStreamNoFatChain) != 0;
    result.u8NameLength = entry.U8(3);
    result.u64ValidDataLength = entry.Le64(8);
    result.u32FirstCluster = entry.Le32(20);
    result.u64DataLength = entry.Le64(24);
    if (result.u32FirstCluster == 1 || result.u32FirstCluster > kClusterMarkStart) return std::nullopt;
    return result;
}

std::optional<NameEntry> ParseNameEntry(engine::ByteView entry) {
    if (!entry.Has(0, kEntrySize)) return std::nullopt;
    std::uint8_t const u8Type = entry.U8(0);
    if (LiveType(u8Type) != kTypeName || !IsSecondary(u8Type) || entry.U8(1) != 0) return std::nullopt;
    NameEntry result;
    result.bInUse = (u8Type & kInUseBit) != 0;
    for (std::size_t i = 0; i < kNameCharsPerEntry; ++i) {
        std::uint16_t const u16Char = entry.Le16(2 + 2 * i);
        if (u16Char == 0) break;
        if (!IsNameCharAllowed(u16Char)) return std::nullopt;
        result.chars[i] = u16Char;
        ++result.u8Count;
    }
    if (result.u8Count == 0) return std::nullopt;
    return result;
}

bool IsValidLabelEntry(engine::ByteView entry) {
    if (!entry.Has(0, kEntrySize)) return false;
    std::uint8_t const u8Type = entry.U8(0);
    if (LiveType(u8Type) != kTypeLabel || !IsPrimary(u8Type)) return false;
    std::size_t const count = entry.U8(1);
    if (count > kLabelMaxChars) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!IsNameCharAllowed(entry.Le16(2 + 2 * i))) return false;
    return AllZero(entry, 2 + 2 * count, 2 + 2 * kLabelMaxChars - 1) && AllZero(entry, 24, 31);
}

std::optional<VolumeTableEntry> ParseVolumeTableEntry(engine::ByteView entry, std::uint8_t u8Type) {
    constexpr std::uint32_t kLargestClusterShift = 25;  // clusters of at most 32 MiB
    if (!entry.Has(0, kEntrySize) || entry.U8(0) != u8Type) return std::nullopt;
    if (u8Type == kTypeBitmap) {
        if (!AllZero(entry, 2, 19)) return std::nullopt;
    } else if (u8Type != kTypeUpcase || !AllZero(entry, 1, 3) || !AllZero(entry, 8, 19)) {
        return std::nullopt;
    }
    VolumeTableEntry result{entry.Le32(20), entry.Le64(24)};
    if (!NamesCluster(result.u32FirstCluster)) return std::nullopt;
    if ((result.u64Length >> kLargestClusterShift) + result.u32FirstCluster > kLastClusterNumber) return std::nullopt;
    return result;
}

std::uint16_t EntrySetChecksum(engine::ByteView set) { return SetChecksum(set, false); }

bool CheckDirEntry(engine::ByteView set, std::uint16_t u16Stored) {
    if (set.Empty()) return u16Stored == 0;
    if (SetChecksum(set, false) == u16Stored) return true;
    return set.U8(0) == (kTypeFile & ~kInUseBit) && SetChecksum(set, true) == u16Stored;
}

}  // namespace exfat
