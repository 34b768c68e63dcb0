// Audio files found by their key alone and sized by their own structure. Layouts:
//   MIDI (Standard MIDI File 1.0)  "MThd", 4 length 6 (BE), 2 format 0-2, 2 tracks, 2 division;
//                                  then chunks "MTrk", 4 length (BE), data
//   AU (Sun/NeXT)                  ".snd", 4 data offset (BE, at least 24), 4 data size (BE,
//                                  FF FF FF FF: unknown), 4 encoding, 4 rate, 4 channels
//   Ogg (RFC 3533)                 pages: "OggS", ..., 26 1 segment count, 27 segment table
//                                  (one length byte a segment), then the segments
//   Monkey's Audio                 "MAC ", 4 2 version (LE); from 3980 on a descriptor (LE):
//                                  8 descriptor bytes, 12 header bytes, 16 seek-table bytes,
//                                  20 header-data bytes, 24 frame-data bytes (28 its high half),
//                                  32 terminating bytes; older files: a seek table of frame
//                                  offsets at 40 (84 behind a stored RIFF header)
//   APEv2 tag                      "APETAGEX", 8 4 version, 12 4 tag size without its header,
//                                  16 4 items, 20 4 flags (bit 29: this is the header); 32 bytes
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/MediaSupport.h"

namespace {

constexpr std::uint64_t kMidiHeaderBytes = 14;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kMidiLimit = 0xD000000;
constexpr std::uint64_t kOggLimit = 0x82000000;
constexpr std::uint64_t kOggPageHeaderBytes = 27;
constexpr std::uint64_t kApeLimit = 0x104000000;
constexpr std::uint32_t kApeDescriptorVersion = 3980;
constexpr std::uint64_t kApeTagHeaderBytes = 32;
constexpr std::uint32_t kApeTagIsHeader = 1u << 29;
constexpr std::uint32_t kMaxApeTags = 4;
/// How far past the last frame's start an old file's zero end is looked for.
constexpr std::uint64_t kApeLastFrameSearch = 0x1000000;
constexpr std::uint64_t kMaxSeekEntries = 0x400000;

/// The chunks "MTrk" after the header; none when the header breaks the rules.
std::optional<std::uint64_t> MidiSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kMidiHeaderBytes);
    if (header.Empty() || header.Be32(4) != 6 || header.Be16(8) > 2 || header.Be16(10) == 0) return std::nullopt;
    std::uint64_t u64Offset = kMidiHeaderBytes;
    // Each chunk moves on by at least 8 bytes and the offset is capped: the walk ends.
    while (u64Offset <= kMidiLimit) {
        engine::ByteView const chunk = reader.Read(u64Offset, kChunkHeaderBytes);
        if (chunk.Empty() || !EqualsNoCase(chunk, 0, "MTrk")) break;
        u64Offset += kChunkHeaderBytes + chunk.Be32(4);
    }
    return u64Offset;
}

/// Data offset and data size; none for a header without a known size.
std::optional<std::uint64_t> AuSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, 12);
    if (header.Empty() || header.Be32(4) < 24 || header.Be32(8) == 0xFFFFFFFF) return std::nullopt;
    return std::uint64_t{header.Be32(4)} + header.Be32(8);
}

/// Page after page while they follow one another.
std::optional<std::uint64_t> OggSize(RawFileBuffer& reader, std::uint32_t) {
    std::uint64_t u64Page = 0;
    // Each page moves on by at least 27 bytes and the offset is capped: the walk ends.
    while (u64Page <= kOggLimit) {
        engine::ByteView const header = reader.Read(u64Page, kOggPageHeaderBytes);
        if (header.Empty() || !header.Equals(0, "OggS")) break;
        std::uint8_t const u8Segments = header.U8(26);
        std::uint64_t u64Data = 0;
        if (u8Segments != 0) {
            engine::ByteView const table = reader.Read(u64Page + kOggPageHeaderBytes, u8Segments);
            if (table.Empty()) break;
            for (std::uint8_t const u8Length : table.Span()) u64Data += u8Length;
        }
        u64Page += kOggPageHeaderBytes + u8Segments + u64Data;
    }
    if (u64Page == 0) return std::nullopt;
    return u64Page;
}

/// Past the APEv2 tags at `u64Position`: a header is skipped with its tag, a footer alone.
std::uint64_t SkipApeTags(RawFileBuffer& reader, std::uint64_t u64Position) {
    for (std::uint32_t u32Tag = 0; u32Tag < kMaxApeTags; ++u32Tag) {
        engine::ByteView const tag = reader.Read(u64Position, kApeTagHeaderBytes);
        if (tag.Empty() || !tag.Equals(0, "APETAGEX")) break;
        bool const bHeader = (tag.Le32(20) & kApeTagIsHeader) != 0;
        u64Position += kApeTagHeaderBytes + (bHeader ? tag.Le32(12) : 0);
    }
    return u64Position;
}

/// The descriptor's sum, or an old file's seek table and last frame.
std::optional<std::uint64_t> ApeSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, 44);
    if (header.Empty() || !header.Equals(0, "MAC ")) return std::nullopt;
    if (header.Le16(4) >= kApeDescriptorVersion) {
        std::uint64_t const u64Length = std::uint64_t{header.Le32(8)} + header.Le32(12) + header.Le32(16) +
                                        header.Le32(20) + (std::uint64_t{header.Le32(28)} << 32 | header.Le32(24)) +
                                        header.Le32(32);
        if (u64Length > kApeLimit) return kApeLimit;
        return SkipApeTags(reader, u64Length);
    }
    std::uint64_t u64Entry = header.Equals(40, "RIFF") ? 84 : 40;
    engine::ByteView const first = reader.Read(u64Entry, 4);
    if (first.Empty()) return std::nullopt;
    std::uint64_t const u64FirstFrame = first.Le32(0);
    std::uint64_t u64LastFrame = u64FirstFrame;
    for (std::uint64_t u64Count = 0; u64Entry < u64FirstFrame && u64Count < kMaxSeekEntries;
         ++u64Count, u64Entry += 4) {
        engine::ByteView const entry = reader.Read(u64Entry, 4);
        if (entry.Empty() || entry.Le32(0) == 0) break;
        u64LastFrame = entry.Le32(0);
    }
    std::uint64_t u64Position = u64LastFrame;
    std::uint64_t const u64Stop = std::min(kApeLimit, u64LastFrame + kApeLastFrameSearch);
    while (u64Position < u64Stop) {
        engine::ByteView const word = reader.Read(u64Position, 4);
        if (word.Empty() || word.Le32(0) == 0) break;
        u64Position += 4;
    }
    return u64Position;
}

constexpr std::string_view kMidiKeys[] = {"MThd"};
constexpr std::string_view kAuKeys[] = {".snd"};
constexpr std::string_view kOggKeys[] = {"OggS"};
constexpr std::string_view kApeKeys[] = {"MAC "};
constexpr KeyedFormat kMidi = {RAW_FILE_TYPE_MID, kMidiKeys, &MidiSize};
constexpr KeyedFormat kAu = {RAW_FILE_TYPE_AU, kAuKeys, &AuSize};
constexpr KeyedFormat kOgg = {RAW_FILE_TYPE_OGG, kOggKeys, &OggSize};
constexpr KeyedFormat kApe = {RAW_FILE_TYPE_APE, kApeKeys, &ApeSize};

/// Monkey's Audio stands in the registry without a type of its own: the keyed row under
/// another identity.
class FileAPEAnalyser final : public IRawFileAnalyser {
public:
    FileAPEAnalyser() : IRawFileAnalyser(kNoOwnRawFileType), m_pKeyed(CreateKeyedAnalyser(kApe)) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        return m_pKeyed->AnalyseBuffer(pBuffer, info, u32Readable);
    }
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        return m_pKeyed->GetRawFileSize(info, pDevice);
    }

private:
    std::unique_ptr<IRawFileAnalyser> m_pKeyed;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMIDAnalyser() { return CreateKeyedAnalyser(kMidi); }
std::unique_ptr<IRawFileAnalyser> CreateFileAUAnalyser() { return CreateKeyedAnalyser(kAu); }
std::unique_ptr<IRawFileAnalyser> CreateFileOggAnalyser() { return CreateKeyedAnalyser(kOgg); }
std::unique_ptr<IRawFileAnalyser> CreateFileAPEAnalyser() { return std::make_unique<FileAPEAnalyser>(); }
