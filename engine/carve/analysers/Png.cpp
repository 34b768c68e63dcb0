// PNG: an 8-byte signature, then chunks (length, type, data, CRC) up to IEND. The file is sized
// by walking the chunks. Layout from the PNG standard (ISO/IEC 15948), big-endian:
//   0   8  89 50 4E 47 0D 0A 1A 0A
//   8   4  IHDR's data length;  12 4 "IHDR";  16 4 width;  20 4 height
//   chunk: 0 4 data length;  4 4 type, four ASCII letters;  8 n data;  8+n 4 CRC-32 of the type
//          and the data   (12 bytes beside the data)
// A chunk whose type is no four letters or whose CRC does not hold is where the walk has left
// the file (a cut or overwritten picture: zeros, noise or another file's bytes follow). Image
// data before it still makes a picture worth recovering: it ends at its last whole chunk, or at
// an IEND further on when no file the search found lies between (the damage was inside it).
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint64_t kSignatureBytes = 8;
constexpr std::uint64_t kChunkFrameBytes = 12;  // length, type and CRC
constexpr std::uint32_t kMaxChunkBytes = 0x1400000;
constexpr std::uint64_t kMaxChunkOffset = 0x1400000;
/// IEND: no data, and the CRC of its type alone.
constexpr std::string_view kIend{"\0\0\0\0IEND\xAE\x42\x60\x82", 12};

bool IsLetter(std::uint8_t u8Char) { return (u8Char >= 'A' && u8Char <= 'Z') || (u8Char >= 'a' && u8Char <= 'z'); }

/// Whether the chunk at `u64Chunk` (its header in `header`) has a type of four letters and its
/// data's CRC holds; an unreadable chunk is no whole one.
bool IsWholeChunk(RawFileBuffer& reader, std::uint64_t u64Chunk, engine::ByteView header) {
    for (std::size_t i = 4; i < 8; ++i)
        if (!IsLetter(header.U8(i))) return false;
    std::uint32_t const u32Length = header.Be32(0);
    uLong crc = crc32(0L, header.Data() + 4, 4);
    std::uint64_t u64At = u64Chunk + 8;
    std::uint64_t const u64DataEnd = u64At + u32Length;
    // Each read takes at least a byte or fails: the loop ends.
    while (u64At < u64DataEnd) {
        auto const u32Want =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(u64DataEnd - u64At, reader.GetWindowSize()));
        engine::ByteView const data = reader.ReadUpTo(u64At, u32Want);
        if (data.Empty()) return false;
        crc = crc32(crc, data.Data(), static_cast<uInt>(data.Size()));
        u64At += data.Size();
    }
    engine::ByteView const stored = reader.Read(u64DataEnd, 4);
    return !stored.Empty() && stored.Be32(0) == crc;
}

/// Where an IEND chunk ends that starts at or after `u64From` within the walk's limit; none.
std::optional<std::uint64_t> IendAfter(RawFileBuffer& reader, std::uint64_t u64From) {
    std::uint64_t u64At = u64From;
    // Each window moves on by all but the marker's length (far less than a window): it ends.
    while (u64At <= kMaxChunkOffset) {
        engine::ByteView const window = reader.ReadUpTo(u64At, reader.GetWindowSize());
        if (window.Size() < kIend.size()) return std::nullopt;
        std::string_view const bytes(reinterpret_cast<char const*>(window.Data()), window.Size());
        std::size_t const found = bytes.find(kIend);
        if (found != std::string_view::npos) return u64At + found + kIend.size();
        u64At += window.Size() - (kIend.size() - 1);
    }
    return std::nullopt;
}

/// Walks the chunks from IHDR to IEND.
std::optional<KeyedFile> PngSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, 24);
    if (header.Empty() || !header.Equals(12, "IHDR") || static_cast<std::int32_t>(header.Be32(16)) <= 0 ||
        static_cast<std::int32_t>(header.Be32(20)) <= 0)
        return std::nullopt;

    KeyedFile file{0, RAW_FILE_TYPE_PNG, {}};
    std::uint64_t u64Chunk = kSignatureBytes;
    bool bSeenImageData = false;
    // Each chunk moves on by at least 12 bytes and the offset is capped: the walk ends.
    while (u64Chunk <= kMaxChunkOffset) {
        engine::ByteView chunk = reader.Read(u64Chunk, 8);
        if (chunk.Empty()) break;
        std::uint8_t bytes[8];
        std::memcpy(bytes, chunk.Data(), sizeof bytes);  // the CRC's reads move the window
        chunk = engine::ByteView(bytes, sizeof bytes);
        std::uint32_t const u32Length = chunk.Be32(0);
        if (u32Length > kMaxChunkBytes || !IsWholeChunk(reader, u64Chunk, chunk)) break;
        u64Chunk += u32Length + kChunkFrameBytes;
        if (chunk.Equals(4, "IEND")) {
            file.u64Size = u64Chunk;
            return file;
        }
        if (chunk.Equals(4, "IDAT")) bSeenImageData = true;
    }
    if (!bSeenImageData) return std::nullopt;
    file.u64Size = u64Chunk;
    if (std::optional<std::uint64_t> const iend = IendAfter(reader, u64Chunk)) {
        file.u64Size = *iend;
        file.bGuessed = true;
        file.u64Borne = u64Chunk;
        file.bCutToBorne = true;
    }
    return file;
}

constexpr std::string_view kKeys[] = {"\x89PNG\r\n\x1A\n"};
constexpr KeyedFormat kPng = {.eType = RAW_FILE_TYPE_PNG, .keys = kKeys, .sizer = nullptr, .describe = &PngSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser() { return CreateKeyedAnalyser(kPng); }
