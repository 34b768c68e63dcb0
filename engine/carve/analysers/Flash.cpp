// Flash video (FLV) and Flash movies (SWF). Layouts from Adobe's FLV and SWF file format documents:
//   FLV  0 3 "FLV";  3 1 version 1;  4 1 flags;  5 4 header size (BE), 9 for version 1
//        then: 4 previous tag size (BE; 0 first), and tags: 0 1 type (8 audio, 9 video,
//        18 script data), 1 3 data size (BE), 4 3+1 time stamp, 8 3 stream id, 11 data
//   SWF  0 3 "FWS" (plain) or "CWS" (zlib from byte 8);  3 1 version;  4 4 length (LE) of the
//        whole file, uncompressed
// An FLV is sized by walking its tags, whose previous-tag sizes must agree; a plain SWF by its
// header; a compressed one by where its zlib stream ends.
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

/// Where the zlib stream that starts at `u64Start` ends; none when it is broken or endless.
std::optional<std::uint64_t> ZlibStreamEnd(RawFileBuffer& reader, std::uint64_t u64Start) {
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
    inflateEnd(&stream);
    if (iResult != Z_STREAM_END) return std::nullopt;
    return u64Start + u64Consumed;
}

class FileSWFAnalyser final : public IRawFileAnalyser {
public:
    FileSWFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_SWF) {}

    /// A plain movie is sized by its header at once; a compressed one waits for its stream.
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (u32Readable < kSwfHeaderBytes || !MayStartWith(pBuffer[0]) || pBuffer[1] != 'W' || pBuffer[2] != 'S')
            return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (bytes.U8(0) == 'F') {
            if (bytes.Le32(4) <= kSwfHeaderBytes) return 0;
            info.m_u64Size = bytes.Le32(4);
        } else if (bytes.U8(0) != 'C' || bytes.U8(3) < kMinCompressedVersion) {
            return 0;
        } else {
            info.m_u64Size = 0;
        }
        info.m_u32Type = RAW_FILE_TYPE_SWF;
        return 1;
    }

    bool MayStartWith(std::uint8_t u8First) const override { return u8First == 'F' || u8First == 'C'; }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        auto const end = ZlibStreamEnd(reader, kSwfHeaderBytes);
        if (!end) return 0;
        info.m_u64Size = *end;
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileFLVAnalyser() { return std::make_unique<FileFLVAnalyser>(); }
std::unique_ptr<IRawFileAnalyser> CreateFileSWFAnalyser() { return std::make_unique<FileSWFAnalyser>(); }
