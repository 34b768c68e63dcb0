// Flash video (FLV) and Flash movies (SWF). Layouts from Adobe's FLV and SWF file format documents:
//   FLV  0 3 "FLV";  3 1 version 1;  4 1 flags;  5 4 header size (BE), 9 for version 1
//        then: 4 previous tag size (BE; 0 first), and tags: 0 1 type (8 audio, 9 video,
//        18 script data), 1 3 data size (BE), 4 3+1 time stamp, 8 3 stream id, 11 data
//   SWF  0 3 "FWS" (plain), "CWS" (zlib from byte 8, version 6 on) or "ZWS" (LZMA, version 13
//        on);  3 1 version;  4 4 length (LE) of the whole file, uncompressed;  then, compressed
//        in CWS: the frame RECT (5 bits: the bit count n of its four signed fields, then Xmin,
//        Xmax, Ymin, Ymax; byte-aligned), 2 frame rate (8.8, LE), 2 frame count, then tags: a u16
//        (code << 6 | length, 0x3F: a u32 length follows), the data; the End tag (code 0) last.
//        ZWS:  8 4 LZMA data length;  12 5 LZMA properties (lc/lp/pb byte, u32 dictionary size);
//        17 the LZMA data.
// An FLV is sized by walking its tags, whose previous-tag sizes must agree. A plain SWF is one
// whose header holds and whose tags walk to the End tag at the length it states; a compressed
// one is sized by where its zlib stream ends, which must inflate to the stated length; an LZMA
// one by its header, whose properties must be LZMA's. Any sector may start "FWS": these checks
// keep noise from being taken for a movie of the length its next bytes happen to say.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <optional>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint64_t kFlvHeaderBytes = 9;
constexpr std::uint64_t kTagStepBytes = 15;  // previous tag size and tag header
constexpr std::uint64_t kTagHeaderBytes = 11;
constexpr std::uint64_t kFlvLimit = 0x82000000;
constexpr std::uint8_t kAudioTag = 8;
constexpr std::uint8_t kVideoTag = 9;
constexpr std::uint8_t kScriptTag = 18;

constexpr std::uint64_t kSwfHeaderBytes = 8;
constexpr std::uint8_t kMinCompressedVersion = 6;
constexpr std::uint8_t kMinLzmaVersion = 13;
/// No SWF version has reached this; a version byte beyond it is no movie's.
constexpr std::uint8_t kMaxVersion = 64;
constexpr std::uint64_t kLzmaHeaderBytes = 17;
/// lc + lp x 9 + pb x 45, pb at most 4.
constexpr std::uint8_t kMaxLzmaProperties = 9 * 5 * 5;
constexpr std::uint32_t kMinLzmaDictionary = 4096;
constexpr std::uint8_t kMaxFramesPerSecond = 120;
constexpr std::uint32_t kLongTagLength = 0x3F;
/// A movie walked tag by tag is at most this long.
constexpr std::uint64_t kMaxPlainBytes = 0x10000000;
constexpr std::uint32_t kInflateChunk = 0x4000;
/// A compressed movie whose stream goes on this long is not one.
constexpr std::uint64_t kMaxCompressedBytes = 0x10000000;

std::uint32_t Be24(engine::ByteView bytes, std::size_t offset) {
    return std::uint32_t{bytes.U8(offset)} << 16 | std::uint32_t{bytes.U8(offset + 1)} << 8 | bytes.U8(offset + 2);
}

class FileFLVAnalyser final : public IRawFileAnalyser {
public:
    FileFLVAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_FLV) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo&, std::uint32_t u32Readable) override {
        if (pBuffer == nullptr) return 0;
        return u32Readable >= 3 && pBuffer[0] == 'F' && pBuffer[1] == 'L' && pBuffer[2] == 'V' ? 1 : 0;
    }
    bool MayStartWith(std::uint8_t u8First) const override { return u8First == 'F'; }

    /// Tag after tag while each one's previous-tag size is its predecessor's length.
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, kFlvHeaderBytes + 4);
        if (header.Empty() || header.U8(3) != 1 || header.Be32(kFlvHeaderBytes) != 0) return 0;
        std::uint64_t u64Position = kFlvHeaderBytes;
        std::optional<std::uint32_t> previousData;
        // Each step moves on by at least 15 bytes and the position is capped: the walk ends.
        while (u64Position <= kFlvLimit) {
            engine::ByteView const step = reader.ReadUpTo(u64Position, kTagStepBytes);
            if (step.Size() < 4) break;
            std::uint32_t const u32PreviousSize = step.Be32(0);
            if (u32PreviousSize == previousData.value_or(1)) {
                u64Position += 4;
                break;
            }
            std::uint8_t const u8Type = step.Size() == kTagStepBytes ? step.U8(4) : 0;
            if (u8Type != kAudioTag && u8Type != kVideoTag && u8Type != kScriptTag) {
                u64Position += 4;
                break;
            }
            std::uint32_t const u32Data = Be24(step, 5);
            if (previousData && u32PreviousSize != *previousData + kTagHeaderBytes) {
                u64Position += kTagStepBytes + u32Data;
                break;
            }
            u64Position += kTagStepBytes + u32Data;
            previousData = u32Data;
        }
        info.m_u32Type = RAW_FILE_TYPE_FLV;
        info.m_u64Size = std::min(u64Position, kFlvLimit);
        return 1;
    }
};

/// Where the zlib stream that starts at `u64Start` ends; none when it is broken or endless, or
/// inflates to other than `u64Inflated` bytes.
std::optional<std::uint64_t> ZlibStreamEnd(RawFileBuffer& reader, std::uint64_t u64Start, std::uint64_t u64Inflated) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    std::array<unsigned char, kInflateChunk> output{};
    std::uint64_t u64Fed = 0;
    int iResult = Z_OK;
    while (iResult != Z_STREAM_END && u64Fed < kMaxCompressedBytes) {
        engine::ByteView const input = reader.ReadUpTo(u64Start + u64Fed, kInflateChunk);
        if (input.Empty()) break;
        stream.next_in = const_cast<unsigned char*>(input.Data());
        stream.avail_in = static_cast<uInt>(input.Size());
        // The output is only counted through: the stream's end is what is wanted.
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            iResult = inflate(&stream, Z_NO_FLUSH);
        } while (iResult == Z_OK && stream.avail_in != 0);
        if (iResult != Z_OK && iResult != Z_STREAM_END && iResult != Z_BUF_ERROR) break;
        u64Fed += input.Size() - stream.avail_in;
    }
    std::uint64_t const u64Consumed = stream.total_in;
    std::uint64_t const u64Out = stream.total_out;
    inflateEnd(&stream);
    if (iResult != Z_STREAM_END || u64Out != u64Inflated) return std::nullopt;
    return u64Start + u64Consumed;
}

/// Whether `bytes` start with a zlib stream header (RFC 1950): deflate, a window of at most
/// 32 KiB, no preset dictionary, and the check bits.
bool IsZlibHeader(engine::ByteView bytes) {
    if (!bytes.Has(0, 2)) return false;
    std::uint8_t const u8Method = bytes.U8(0);
    std::uint8_t const u8Flags = bytes.U8(1);
    return (u8Method & 0x0F) == 8 && (u8Method >> 4) <= 7 && (u8Flags & 0x20) == 0 &&
           (std::uint32_t{u8Method} << 8 | u8Flags) % 31 == 0;
}

/// Whether LZMA properties (the lc/lp/pb byte and the dictionary size) are ones its coder takes.
bool IsLzmaProperties(engine::ByteView bytes) {
    return bytes.Has(0, 5) && bytes.U8(0) < kMaxLzmaProperties && bytes.Le32(1) >= kMinLzmaDictionary;
}

/// Whether `bytes` (from byte 8 of an LZMA movie) hold a length of LZMA data, LZMA properties,
/// and the data's first byte, which LZMA's range coder always writes as 0.
bool IsLzmaHeader(engine::ByteView bytes) {
    std::uint64_t const u64Data = kLzmaHeaderBytes - kSwfHeaderBytes;
    return bytes.Has(0, u64Data + 1) && bytes.Le32(0) != 0 && IsLzmaProperties(bytes.From(4)) && bytes.U8(u64Data) == 0;
}

/// The bytes of a movie's frame RECT, rate and count, from `header` (the bytes after the
/// length field, uncompressed); none when they do not hold: a positive width and height, a
/// rate from above 0 to 120 frames a second, and a frame.
std::optional<std::uint64_t> MovieHeaderBytes(engine::ByteView header) {
    if (!header.Has(0, 1)) return std::nullopt;
    std::uint32_t const u32Bits = header.U8(0) >> 3;
    if (u32Bits < 2) return std::nullopt;
    std::uint64_t const u64RectBytes = (5 + 4 * u32Bits + 7) / 8;
    if (!header.Has(0, u64RectBytes + 4)) return std::nullopt;
    std::int64_t fields[4] = {};
    std::uint64_t u64Bit = 5;
    for (std::int64_t& field : fields) {
        std::uint64_t u64Value = 0;
        for (std::uint32_t i = 0; i < u32Bits; ++i, ++u64Bit)
            u64Value = u64Value << 1 | (header.U8(u64Bit / 8) >> (7 - u64Bit % 8) & 1);
        // Signed: the top bit stands for -2^(n-1).
        field = static_cast<std::int64_t>(u64Value) - ((u64Value >> (u32Bits - 1) & 1) != 0 ? (1ll << u32Bits) : 0);
    }
    if (fields[1] <= fields[0] || fields[3] <= fields[2]) return std::nullopt;
    std::uint16_t const u16Rate = header.Le16(u64RectBytes);
    if (u16Rate == 0 || (u16Rate >> 8) > kMaxFramesPerSecond || header.Le16(u64RectBytes + 2) == 0) return std::nullopt;
    return u64RectBytes + 4;
}

/// Whether the tags of a plain movie, from `u64Tags`, walk to an End tag that ends the movie at
/// `u64Length`, the length its header states.
bool TagsEndAt(RawFileBuffer& reader, std::uint64_t u64Tags, std::uint64_t u64Length) {
    std::uint64_t u64At = u64Tags;
    // Each tag moves on by at least 2 bytes and the walk stops past the length: it ends.
    while (u64At + 2 <= u64Length) {
        engine::ByteView const tag = reader.ReadUpTo(u64At, 6);
        if (tag.Size() < 2) return false;
        std::uint16_t const u16Code = tag.Le16(0);
        std::uint64_t u64Data = u16Code & kLongTagLength;
        u64At += 2;
        if (u64Data == kLongTagLength) {
            if (tag.Size() < 6) return false;
            u64Data = tag.Le32(2);
            u64At += 4;
        }
        if (u16Code >> 6 == 0) return u64Data == 0 && u64At == u64Length;
        u64At += u64Data;
    }
    return false;
}

class FileSWFAnalyser final : public IRawFileAnalyser {
public:
    FileSWFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_SWF) {}

    /// Takes a header that holds; every movie is sized later, by its tags, its stream or (LZMA)
    /// its header, in the order the search found them.
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Has(0, kSwfHeaderBytes) || !MayStartWith(bytes.U8(0)) || !bytes.Equals(1, "WS")) return 0;
        std::uint8_t const u8Version = bytes.U8(3);
        std::uint32_t const u32Length = bytes.Le32(4);
        if (u8Version == 0 || u8Version > kMaxVersion || u32Length <= kSwfHeaderBytes) return 0;
        engine::ByteView const rest = bytes.From(kSwfHeaderBytes);
        info.m_u64Size = 0;
        switch (bytes.U8(0)) {
            case 'F': {
                std::optional<std::uint64_t> const header = MovieHeaderBytes(rest);
                if (!header || kSwfHeaderBytes + *header + 2 > u32Length) return 0;
                break;
            }
            case 'C':
                if (u8Version < kMinCompressedVersion || !IsZlibHeader(rest)) return 0;
                break;
            default:
                if (u8Version < kMinLzmaVersion || !IsLzmaHeader(rest)) return 0;
                break;
        }
        info.m_u32Type = RAW_FILE_TYPE_SWF;
        return 1;
    }

    bool MayStartWith(std::uint8_t u8First) const override {
        return u8First == 'F' || u8First == 'C' || u8First == 'Z';
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const start = reader.ReadUpTo(0, reader.GetWindowSize());
        if (!start.Has(0, kSwfHeaderBytes)) return 0;
        std::uint64_t const u64Length = start.Le32(4);
        if (start.U8(0) == 'Z') {
            if (!IsLzmaHeader(start.From(kSwfHeaderBytes))) return 0;
            // Its length is the header's claim: the search cuts it at the next file found.
            info.m_u64Size = kLzmaHeaderBytes + std::uint64_t{start.Le32(kSwfHeaderBytes)};
            info.m_bSizeGuessed = true;
            info.m_u64Borne = kLzmaHeaderBytes;
            return 1;
        }
        if (start.U8(0) == 'C') {
            auto const end = ZlibStreamEnd(reader, kSwfHeaderBytes, u64Length - kSwfHeaderBytes);
            if (!end) return 0;
            info.m_u64Size = *end;
            return 1;
        }
        std::optional<std::uint64_t> const header = MovieHeaderBytes(start.From(kSwfHeaderBytes));
        if (start.U8(0) != 'F' || !header || u64Length > kMaxPlainBytes ||
            !TagsEndAt(reader, kSwfHeaderBytes + *header, u64Length))
            return 0;
        info.m_u64Size = u64Length;
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileFLVAnalyser() { return std::make_unique<FileFLVAnalyser>(); }
std::unique_ptr<IRawFileAnalyser> CreateFileSWFAnalyser() { return std::make_unique<FileSWFAnalyser>(); }
