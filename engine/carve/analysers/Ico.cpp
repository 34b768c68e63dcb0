// Icons and cursors: the directory lists every image's length, and writers store the images
// one after another behind it, so the file is sized from its first sector.
//
//   ICONDIR (little-endian):   0 2 reserved, 0;  2 2 type, 1 icon or 2 cursor;  4 2 entry count
//   ICONDIRENTRY, 16 bytes each from offset 6:
//     0 1 width;  1 1 height;  2 1 colour count;  3 1 reserved, 0
//     4 2 planes (cursor: hotspot x);  6 2 bit count (cursor: hotspot y)
//     8 4 image bytes;  12 4 image offset
// The bounds below keep a stray 00 00 01 00 in other data from passing as an icon.
#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

constexpr std::uint16_t kIconType = 1;
constexpr std::uint16_t kCursorType = 2;
constexpr std::size_t kDirectoryBytes = 6;
constexpr std::size_t kEntryBytes = 16;
constexpr std::uint16_t kMaxEntries = 16;
constexpr std::uint16_t kMaxBitCount = 256;
constexpr std::uint32_t kMaxImageField = 0xA00000;  // image bytes and image offset
constexpr std::uint64_t kMaxFileBytes = 0x100000;

bool IconHeader(engine::ByteView header, CRawFileInfo& info) {
    if (!header.Has(0, kDirectoryBytes) || header.Le16(0) != 0) return false;
    std::uint16_t const u16Type = header.Le16(2);
    std::uint16_t const u16Count = header.Le16(4);
    if ((u16Type != kIconType && u16Type != kCursorType) || u16Count == 0 || u16Count > kMaxEntries) return false;
    if (!header.Has(kDirectoryBytes, u16Count * kEntryBytes)) return false;

    // At most 16 entries of at most 0xA00000 + 16 each: no overflow in 64 bits.
    std::uint64_t u64Size = kDirectoryBytes;
    for (std::size_t i = 0; i < u16Count; ++i) {
        engine::ByteView const entry = header.Sub(kDirectoryBytes + i * kEntryBytes, kEntryBytes);
        std::uint32_t const u32ImageBytes = entry.Le32(8);
        if (entry.U8(3) != 0 || entry.Le16(6) > kMaxBitCount || u32ImageBytes > kMaxImageField ||
            entry.Le32(12) > kMaxImageField)
            return false;
        u64Size += std::uint64_t{u32ImageBytes} + kEntryBytes;
    }
    if (u64Size > kMaxFileBytes) return false;
    info.m_u32Type = u16Type == kIconType ? RAW_FILE_TYPE_ICO : RAW_FILE_TYPE_CUR;
    info.m_u64Size = u64Size;
    return true;
}

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileICOAnalyser() {
    return CreateRecognisedAnalyser({RAW_FILE_TYPE_ICO, &IconHeader, nullptr});
}
