#pragma once
// The records of a ZIP archive that its walk and its end search both read. Little-endian (from
// PKWARE's APPNOTE):
//   local header "PK" 03 04:  6 2 flags (bit 3: sizes in a data descriptor after the data);
//       8 2 method;  18 4 compressed size;  26 2 name length;  28 2 extra length;  30 name
//   central directory header "PK" 01 02:  28 2 name length;  30 2 extra;  32 2 comment;  46 name
//   end of central directory "PK" 05 06:  12 4 directory size;  16 4 directory offset;  20 2 comment
#include <cstdint>
#include <string_view>

#include "engine/ByteView.h"

namespace zip {

inline constexpr std::string_view kLocalSignature{"PK\x03\x04", 4};
inline constexpr std::string_view kCentralSignature{"PK\x01\x02", 4};
inline constexpr std::string_view kEndSignature{"PK\x05\x06", 4};
inline constexpr std::uint32_t kLocalBytes = 30;
inline constexpr std::uint32_t kCentralBytes = 46;
inline constexpr std::uint32_t kEndBytes = 22;
/// No archive worth carving is longer: walks and searches stop here.
inline constexpr std::uint64_t kMaxOffset = 0x104000000;

enum class Record { Local, Central, End, None };

inline Record KindOf(engine::ByteView bytes) {
    if (bytes.Equals(0, kLocalSignature)) return Record::Local;
    if (bytes.Equals(0, kCentralSignature)) return Record::Central;
    if (bytes.Equals(0, kEndSignature)) return Record::End;
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

}  // namespace zip
