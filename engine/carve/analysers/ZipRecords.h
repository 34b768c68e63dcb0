#pragma once
// The records of a ZIP archive that its walk and its end search both read. Little-endian (from
// PKWARE's APPNOTE):
//   local header "PK" 03 04:  6 2 flags (bit 3: sizes in a data descriptor after the data);
//       8 2 method;  18 4 compressed size;  26 2 name length;  28 2 extra length;  30 name
//   central directory header "PK" 01 02:  28 2 name length;  30 2 extra;  32 2 comment;  46 name
//   end of central directory "PK" 05 06:  12 4 directory size;  16 4 directory offset;  20 2 comment
//   ZIP64 end of central directory "PK" 06 06 (before the locator, when a field above overflows
//       or the writer could not know): 4 8 the bytes after this field;  40 8 directory size;
//       48 8 directory offset
//   ZIP64 locator "PK" 06 07 (20 bytes, right before the end record):  8 8 the ZIP64 record's offset
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"

namespace zip {

inline constexpr std::string_view kLocalSignature{"PK\x03\x04", 4};
inline constexpr std::string_view kCentralSignature{"PK\x01\x02", 4};
inline constexpr std::string_view kEndSignature{"PK\x05\x06", 4};
inline constexpr std::string_view kZip64EndSignature{"PK\x06\x06", 4};
inline constexpr std::string_view kZip64LocatorSignature{"PK\x06\x07", 4};
inline constexpr std::uint32_t kZip64EndBytes = 56;
inline constexpr std::uint32_t kZip64LocatorBytes = 20;
/// A ZIP64 end record longer than this (its extensible data) is not believed.
inline constexpr std::uint64_t kMaxZip64EndBytes = 0x10000;
inline constexpr std::uint32_t kLocalBytes = 30;
inline constexpr std::uint32_t kCentralBytes = 46;
inline constexpr std::uint32_t kEndBytes = 22;
/// No archive worth carving is longer: walks and searches stop here.
inline constexpr std::uint64_t kMaxOffset = 0x104000000;

enum class Record { Local, Central, End, Zip64End, Zip64Locator, None };

inline Record KindOf(engine::ByteView bytes) {
    if (bytes.Equals(0, kLocalSignature)) return Record::Local;
    if (bytes.Equals(0, kCentralSignature)) return Record::Central;
    if (bytes.Equals(0, kEndSignature)) return Record::End;
    if (bytes.Equals(0, kZip64EndSignature)) return Record::Zip64End;
    if (bytes.Equals(0, kZip64LocatorSignature)) return Record::Zip64Locator;
    return Record::None;
}

/// A central directory header with its name, extra field and comment.
inline std::uint64_t CentralLength(engine::ByteView header) {
    return kCentralBytes + std::uint64_t{header.Le16(28)} + header.Le16(30) + header.Le16(32);
}

/// Whether the end record at `u64At` says its central directory ends right before it.
inline bool EndChecksOut(engine::ByteView end, std::uint64_t u64At) {
    return std::uint64_t{end.Le32(16)} + end.Le32(12) == u64At;
}

/// The length of the ZIP64 end record `record` (at least its fixed part); none when out of range.
inline std::optional<std::uint64_t> Zip64EndLength(engine::ByteView record) {
    if (!record.Has(0, kZip64EndBytes)) return std::nullopt;
    std::uint64_t const u64After = record.Le64(4);
    if (u64After < kZip64EndBytes - 12 || u64After > kMaxZip64EndBytes) return std::nullopt;
    return 12 + u64After;
}

/// Whether the ZIP64 end record at `u64At` says its central directory ends right before it.
inline bool Zip64EndChecksOut(engine::ByteView record, std::uint64_t u64At) {
    if (!record.Has(0, kZip64EndBytes)) return false;
    std::uint64_t const u64Offset = record.Le64(48);
    return u64Offset <= u64At && record.Le64(40) == u64At - u64Offset;
}

}  // namespace zip
