// PNG: an 8-byte signature, then chunks (length, type, data, CRC) up to IEND. The file is sized
// by walking the chunks. Layout from the PNG standard (ISO/IEC 15948), big-endian:
//   0   8  89 50 4E 47 0D 0A 1A 0A
//   8   4  IHDR's data length;  12 4 "IHDR";  16 4 width;  20 4 height
//   chunk: 0 4 data length;  4 4 type;  8 n data;  8+n 4 CRC   (12 bytes beside the data)
// A damaged chunk after image data still leaves a picture worth recovering: the file then
// ends where the damage starts.
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

/// Walks the chunks from the one after IHDR to IEND.
std::optional<std::uint64_t> PngSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, 24);
    if (header.Empty() || !header.Equals(12, "IHDR") || static_cast<std::int32_t>(header.Be32(16)) <= 0 ||
        static_cast<std::int32_t>(header.Be32(20)) <= 0)
        return std::nullopt;

    std::uint64_t u64Chunk = kSignatureBytes + kChunkFrameBytes + header.Be32(8);
    bool bSeenImageData = false;
    // Each chunk moves on by at least 12 bytes and the offset is capped: the walk ends.
    while (u64Chunk <= kMaxChunkOffset) {
        engine::ByteView const chunk = reader.Read(u64Chunk, 8);
        if (chunk.Empty()) return std::nullopt;
        std::uint32_t const u32Length = chunk.Be32(0);
        if (u32Length > kMaxChunkBytes) {  // also every length that is negative as signed
            if (!bSeenImageData) return std::nullopt;
            return u64Chunk;
        }
        if (chunk.Equals(4, "IEND")) return u64Chunk + u32Length + kChunkFrameBytes;
        if (chunk.Equals(4, "IDAT")) bSeenImageData = true;
        u64Chunk += u32Length + kChunkFrameBytes;
    }
    return std::nullopt;
}

constexpr std::string_view kKeys[] = {"\x89PNG\r\n\x1A\n"};
constexpr KeyedFormat kPng = {RAW_FILE_TYPE_PNG, kKeys, &PngSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser() { return CreateKeyedAnalyser(kPng); }
