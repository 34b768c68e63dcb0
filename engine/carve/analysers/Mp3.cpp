// MPEG audio (MP3): an optional ID3v2 tag, then frames (MpegAudioHeader.h), then optional
// APE and ID3v1 tags. Layouts, ID3v2.3/2.4 (id3.org) and ID3v1:
//   ID3v2 header  0 3 "ID3";  3 1 major version;  4 1 revision;  5 1 flags (0x10: a footer)
//                 6 4 tag size, synch-safe (7 bits a byte), header not counted
//   ID3v2 frame   0 4 id;  4 4 size (2.4: synch-safe);  8 2 flags;  10 data
//   ID3v1 tag     0 3 "TAG";  3 30 title;  33 30 artist;  63 30 album;  93 4 year   (128 bytes)
//   Xing / Info   at 36 of an MPEG 1 Layer III stereo first frame: 4 id, 4 flags, 4 frames,
//                 4 stream bytes (at 48)
// Three roads size a file: the ID3 tag and the frames behind it, the byte count of a Xing or
// Info header, or a frame-to-frame walk. The ID3 road names the file "title_artist" and takes
// the tag's year as its time.
#include <algorithm>
#include <optional>
#include <string>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/Id3Text.h"
#include "engine/carve/analysers/MediaSupport.h"
#include "engine/carve/analysers/MpegAudioHeader.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint64_t kId3HeaderBytes = 10;
constexpr std::uint64_t kId3FooterFlag = 0x10;
constexpr std::uint64_t kId3v1Bytes = 128;
constexpr std::uint64_t kXingAt = 36;
constexpr std::uint64_t kXingBytesAt = 48;
/// Past these the walks stop and the file ends where they stand.
constexpr std::uint64_t kTagWalkLimit = 0x104000000;
constexpr std::uint64_t kFrameWalkLimit = 0x81FFFFFF;
/// Bytes without a frame that end a song.
constexpr std::uint64_t kMaxNoise = 0x10000;
/// A frame walk shorter than this is a chance header in other data.
constexpr std::uint64_t kMinFrameWalk = 10240;
/// How far past an APE tag the search for the song's end looks.
constexpr std::uint64_t kApeSearchBytes = 102400;
constexpr std::uint64_t kApeTagBytes = 260;
constexpr std::uint64_t kMaxId3FrameData = 4096;  // the texts wanted are short

/// A synch-safe 28-bit integer; none when a byte has its top bit set.
std::optional<std::uint32_t> SynchSafe(engine::ByteView bytes, std::size_t offset) {
    if (!bytes.Has(offset, 4)) return std::nullopt;
    std::uint32_t u32Value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint8_t const u8Byte = bytes.U8(offset + i);
        if ((u8Byte & 0x80) != 0) return std::nullopt;
        u32Value = (u32Value << 7) | u8Byte;
    }
    return u32Value;
}

/// The ID3v2 tag's length with its header (and footer), for a 2.3 or 2.4 tag; none otherwise.
std::optional<std::uint64_t> Id3TagBytes(engine::ByteView bytes) {
    if (!bytes.Equals(0, "ID3") || !bytes.Has(0, kId3HeaderBytes) || (bytes.U8(3) != 3 && bytes.U8(3) != 4))
        return std::nullopt;
    auto const size = SynchSafe(bytes, 6);
    if (!size) return std::nullopt;
    bool const bFooter = bytes.U8(3) == 4 && (bytes.U8(5) & kId3FooterFlag) != 0;
    return kId3HeaderBytes + *size + (bFooter ? kId3HeaderBytes : 0);
}

bool AllZero(engine::ByteView bytes) {
    return std::all_of(bytes.Span().begin(), bytes.Span().end(), [](std::uint8_t u8Byte) { return u8Byte == 0; });
}

/// A frame header, followed by another of the same stream when the bytes reach that far:
/// about one random sector in 4,000 holds a plausible header, far fewer two in a row.
bool StartsStream(engine::ByteView bytes) {
    auto const header = DecodeMpegAudioHeader(bytes);
    if (!header) return false;
    std::size_t const next = header->FrameBytes();
    if (!bytes.Has(next, 4)) return true;
    auto const following = DecodeMpegAudioHeader(bytes, next);
    return following && following->SameStream(*header);
}

/// An APEv2 tag of version 2000 (D0 07 little-endian), as writers put behind songs.
bool IsApeTag(engine::ByteView bytes) { return bytes.Equals(0, "APETAGEX") && bytes.Has(8, 1) && bytes.U8(8) == 0xD0; }

struct SongTexts {
    std::string title;
    std::string artist;
    std::string year;
};

class FileMP3Analyser final : public IRawFileAnalyser {
public:
    FileMP3Analyser() : IRawFileAnalyser(RAW_FILE_TYPE_MP3) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        // List 0 offers every sector: the first byte settles most of them.
        if (u32Readable < 4 || !MayStartWith(pBuffer[0])) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        bool const bId3 = bytes.Equals(0, "ID3") && (bytes.U8(3) == 3 || bytes.U8(3) == 4);
        if (!bId3 && !StartsStream(bytes)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_MP3;
        return 1;
    }

    bool MayStartWith(std::uint8_t u8First) const override { return u8First == 'I' || u8First == 0xFF; }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        m_strName.clear();
        m_strTime.clear();
        info.m_u64Size = 0;
        if (m_stream.HoldsInside(info.m_u64StartSector)) return 0;  // a frame of the song sized before
        m_u32SectorSize = SectorSizeOf(pDevice);
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const head = reader.ReadUpTo(0, kXingBytesAt + 4);
        if (head.Size() < 4) return 0;

        std::optional<std::uint64_t> end;
        if (head.Equals(0, "ID3")) {
            end = Id3Road(reader, info);
        } else if (!DecodeMpegAudioHeader(head)) {
            return 0;
        } else if (head.U8(1) == 0xFB && (head.U8(2) == 0xE0 || head.U8(2) == 0xB0) &&
                   (head.Equals(kXingAt, "Info") || head.Equals(kXingAt, "Xing"))) {
            end = XingRoad(reader, head);
            if (!end) end = FrameRoad(reader);  // a header without its byte count
        } else {
            end = FrameRoad(reader);
        }
        if (!end || *end == 0) return 0;
        m_stream.Remember(info.m_u64StartSector, *end, m_u32SectorSize);
        info.m_u64Size = *end;
        return 1;
    }

    std::string GetRawFileName() override { return m_strName; }
    std::string GetRawFileTime() override { return m_strTime; }

private:
    /// The stream byte count of the Xing or Info header, and an ID3v1 tag right behind it.
    std::optional<std::uint64_t> XingRoad(RawFileBuffer& reader, engine::ByteView head) {
        if (!head.Has(kXingBytesAt, 4)) return std::nullopt;
        std::uint64_t const u64Bytes = head.Be32(kXingBytesAt);
        if (u64Bytes == 0) return std::nullopt;
        engine::ByteView const after = reader.Read(u64Bytes, 3);
        return u64Bytes + (after.Equals(0, "TAG") ? kId3v1Bytes : 0);
    }

    /// Frame to frame from the start while headers follow one another.
    std::optional<std::uint64_t> FrameRoad(RawFileBuffer& reader) {
        std::uint64_t u64Offset = 0;
        bool bCapped = false;
        // Each frame is at least 24 bytes and the offset is capped: the walk ends.
        while (true) {
            if (u64Offset > kFrameWalkLimit) {
                bCapped = true;
                break;
            }
            engine::ByteView const bytes = reader.ReadUpTo(u64Offset, 4);
            if (bytes.Empty()) break;
            auto const header = DecodeMpegAudioHeader(bytes);
            if (!header) {
                u64Offset = TrailingTagEnd(reader, u64Offset);
                break;
            }
            u64Offset += header->FrameBytes();
        }
        if (u64Offset < kMinFrameWalk && !bCapped) return std::nullopt;
        return u64Offset;
    }

    /// Where a frame walk that stopped at `u64Offset` ends, with the tags that may follow.
    std::uint64_t TrailingTagEnd(RawFileBuffer& reader, std::uint64_t u64Offset) {
        engine::ByteView const bytes = reader.ReadUpTo(u64Offset, kId3v1Bytes + 3);
        if (bytes.Equals(0, "TAG")) return u64Offset + kId3v1Bytes;
        if (IsApeTag(bytes)) return u64Offset + kApeTagBytes;
        if (auto const tag = FindBytes(bytes.Sub(0, std::min<std::size_t>(bytes.Size(), kId3v1Bytes + 2)), "TAG"))
            return u64Offset + *tag + kId3v1Bytes;
        return u64Offset;
    }

    std::optional<std::uint64_t> Id3Road(RawFileBuffer& reader, CRawFileInfo& info) {
        engine::ByteView const header = reader.Read(0, kId3HeaderBytes);
        auto const tagBytes = Id3TagBytes(header);
        if (!tagBytes) return std::nullopt;
        bool const bSynchSafeFrames = header.U8(3) == 4;
        SongTexts texts = ReadId3Frames(reader, *tagBytes, bSynchSafeFrames);
        std::uint64_t const u64End = WalkFrames(reader, *tagBytes, texts);
        if (u64End <= *tagBytes) return std::nullopt;
        CRawFileInfo cleaned;
        cleaned.SetRawFileName(texts.artist);
        info.SetRawFileName(texts.title + "_" + cleaned.GetRawFileName());
        info.m_strTime = texts.year;
        m_strName = info.GetRawFileName();
        m_strTime = texts.year;
        return u64End;
    }

    /// The title, artist and year frames of the tag that ends at `u64TagBytes`.
    static SongTexts ReadId3Frames(RawFileBuffer& reader, std::uint64_t u64TagBytes, bool bSynchSafe) {
        SongTexts texts;
        std::uint64_t u64Frame = kId3HeaderBytes;
        // Each frame moves on by at least 11 bytes within the tag: the walk ends.
        while (u64Frame + kId3HeaderBytes <= u64TagBytes) {
            engine::ByteView const frame = reader.Read(u64Frame, kId3HeaderBytes);
            if (frame.Empty()) break;
            std::optional<std::uint32_t> const size = bSynchSafe ? SynchSafe(frame, 4) : std::optional(frame.Be32(4));
            if (!size || *size == 0) break;
            std::string* pText = frame.Equals(0, "TIT2")                                ? &texts.title
                                 : frame.Equals(0, "TPE1")                              ? &texts.artist
                                 : (frame.Equals(0, "TYER") || frame.Equals(0, "TDRC")) ? &texts.year
                                                                                        : nullptr;
            if (pText != nullptr && pText->empty()) {
                engine::ByteView const data =
                    reader.ReadUpTo(u64Frame + kId3HeaderBytes,
                                    static_cast<std::uint32_t>(std::min<std::uint64_t>(*size, kMaxId3FrameData)));
                *pText = Id3FrameText(data);
            }
            u64Frame += kId3HeaderBytes + *size;
        }
        if (texts.year.size() > 4) texts.year.resize(4);  // 2.4's TDRC holds a whole timestamp
        return texts;
    }

    /// The frames behind the tag, with noise between them and the tags after them.
    std::uint64_t WalkFrames(RawFileBuffer& reader, std::uint64_t u64Position, SongTexts& texts) {
        std::uint64_t u64Skip = 0;
        // Every step moves the position by a frame or the skip by a byte, both bounded: it ends.
        while (true) {
            std::uint64_t const u64At = u64Position + u64Skip;
            if (u64At > kTagWalkLimit) return u64Position;
            engine::ByteView const bytes = reader.ReadUpTo(u64At, 12);
            if (bytes.Empty()) return u64Position;
            // Right behind the last frame a tag ends the song whatever the slack after it holds;
            // inside noise only where zeros (or the sector's end) follow it.
            if (bytes.Equals(0, "TAG") && (u64Skip == 0 || Id3v1EndsSong(reader, u64At))) {
                TakeId3v1Texts(reader, u64At, texts);
                return u64At + kId3v1Bytes;
            }
            if (u64At % m_u32SectorSize == 0 &&
                Id3TagBytes(bytes.Sub(0, std::min<std::size_t>(bytes.Size(), kId3HeaderBytes))))
                return u64Position;  // the next song
            if (IsApeTag(bytes)) return ApeTagEnd(reader, u64Position, u64At);
            if (auto const header = DecodeMpegAudioHeader(bytes);
                header && (u64Skip == 0 || FollowedBySameStream(reader, u64At, *header))) {
                u64Position = u64At + header->FrameBytes();
                u64Skip = 0;
                continue;
            }
            if (++u64Skip == kMaxNoise) return u64Position;
        }
    }

    /// After noise a header counts only when another of the same stream follows its frame:
    /// random bytes hold a plausible header every few kilobytes.
    static bool FollowedBySameStream(RawFileBuffer& reader, std::uint64_t u64At, MpegAudioHeader const& header) {
        auto const next = DecodeMpegAudioHeader(reader.ReadUpTo(u64At + header.FrameBytes(), 4));
        return next && next->SameStream(header);
    }

    /// An ID3v1 tag ends the song when the sector goes on in zeros after it (or ends with it).
    bool Id3v1EndsSong(RawFileBuffer& reader, std::uint64_t u64Tag) {
        std::uint64_t const u64After = u64Tag + kId3v1Bytes;
        std::uint32_t const u32Rest =
            static_cast<std::uint32_t>((m_u32SectorSize - u64After % m_u32SectorSize) % m_u32SectorSize);
        if (u32Rest == 0) return true;
        engine::ByteView const rest = reader.Read(u64After, u32Rest);
        return !rest.Empty() && AllZero(rest);
    }

    static void TakeId3v1Texts(RawFileBuffer& reader, std::uint64_t u64Tag, SongTexts& texts) {
        engine::ByteView const tag = reader.Read(u64Tag, kId3v1Bytes);
        if (tag.Empty()) return;
        if (texts.title.empty()) texts.title = Id3Latin1Text(tag.Sub(3, 30));
        if (texts.artist.empty()) texts.artist = Id3Latin1Text(tag.Sub(33, 30));
        if (texts.year.empty()) texts.year = Id3Latin1Text(tag.Sub(93, 4));
    }

    /// Past an APE tag the song ends at the first sector that ends in zeros; every sector
    /// searched counts against the bound, so the search always ends.
    std::uint64_t ApeTagEnd(RawFileBuffer& reader, std::uint64_t u64Position, std::uint64_t u64Tag) {
        std::uint64_t u64Sector = u64Tag / m_u32SectorSize * m_u32SectorSize;
        for (std::uint64_t u64Searched = 0; u64Searched <= kApeSearchBytes;
             u64Searched += m_u32SectorSize, u64Sector += m_u32SectorSize) {
            engine::ByteView const sector = reader.Read(u64Sector, m_u32SectorSize);
            if (sector.Empty()) return u64Position;
            if (!AllZero(sector.Sub(m_u32SectorSize - 4, 4))) continue;
            if (AllZero(sector.Sub(m_u32SectorSize - 12, 12))) return u64Sector + m_u32SectorSize;
            if (auto const tag = FindBytes(sector, std::string_view("\0TAG", 4)))
                return u64Sector + *tag + 1 + kId3v1Bytes;
        }
        return u64Position;
    }

    std::string m_strName;
    std::string m_strTime;
    std::uint32_t m_u32SectorSize = 512;
    RememberedStream m_stream;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMP3Analyser() { return std::make_unique<FileMP3Analyser>(); }
