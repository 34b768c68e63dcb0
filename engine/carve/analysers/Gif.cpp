// GIF: a header, an optional global colour table, then blocks (extensions 21, images 2C) up to
// the trailer 3B. The file is sized by walking the blocks. Layout from the GIF89a
// format description (CompuServe), little-endian:
//   0   6  "GIF87a" or "GIF89a";  6 2 width;  8 2 height
//   10  1  packed: bit 7 global colour table, bits 0-2 its size as 2^(n+1) entries of 3 bytes
//   13     the global colour table, then the first block
//   extension: 21, label, data sub-blocks
//   image: 2C, 9 bytes of descriptor (packed byte at 9 as above, for a local table), the table,
//          the LZW minimum code size, data sub-blocks
//   data sub-blocks: a length byte, that many bytes, ...; a zero length ends them
// Between blocks some writers leave junk; a short search finds the next image (one that lies
// within the logical screen, its LZW code size 2 to 8) or the trailer. Extensions are those of
// GIF89a (labels 01, F9, FE, FF); any other byte there is junk. A second stream (a header) right
// after a block goes on with its own screen, as files made by joining two GIFs do. Where the
// junk leads to no image, or to none that could be, the file ends after its last block, unless
// no image came before: a header followed by junk is no picture.
#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint64_t kHeaderBytes = 13;
constexpr std::uint64_t kImageDescriptorBytes = 10;
/// How far past a block the search for the next image or the trailer looks, in all.
constexpr std::uint64_t kSearchBytes = 1024;
// The LZW minimum code size an image's data starts with (2 for bilevel pictures, 8 at most).
constexpr std::uint8_t kMinCodeSize = 2;
constexpr std::uint8_t kMaxCodeSize = 8;
constexpr std::string_view kKeys[] = {"GIF87a", "GIF89a"};

/// The bytes of a colour table that a packed byte announces; 0 when it has none.
std::uint64_t ColourTableBytes(std::uint8_t u8Packed) {
    return (u8Packed & 0x80) != 0 ? 3 * (std::uint64_t{2} << (u8Packed & 0x07)) : 0;
}

struct Found {
    std::uint64_t u64Image = 0;  // where the image descriptor starts, when bEnd is false
    std::uint64_t u64End = 0;    // where the file ends, when bEnd is true
    bool bEnd = false;
};

class GifWalk {
public:
    explicit GifWalk(RawFileBuffer& reader) : m_reader(reader) {}

    /// The file's length, or nothing when the blocks break the rules or cannot be read.
    std::optional<std::uint64_t> Size() {
        engine::ByteView const header = m_reader.Read(0, kHeaderBytes);
        if (header.Empty()) return std::nullopt;
        TakeScreen(header);
        std::uint64_t u64Block = kHeaderBytes + ColourTableBytes(header.U8(10));
        std::uint8_t u8Byte = 0;
        bool bImageWhole = false;  // an image's data ended before u64Block

        // Every pass moves on by at least three bytes and the walk is capped: it ends.
        while (u64Block <= RawFileBuffer::kMaxWalkBytes) {
            if (!m_reader.ReadByte(u64Block, u8Byte)) return std::nullopt;
            // After the header or an extension (a comment or application block often comes
            // last), a trailer right there ends the file.
            if (u8Byte == kTrailer) return u64Block + 1;
            if (u8Byte == kExtension && IsExtensionLabel(u64Block + 1)) {
                auto const next = SkipSubBlocks(u64Block + 2);
                if (!next) return std::nullopt;
                u64Block = *next;
                continue;
            }
            if (std::optional<std::uint64_t> const stream = SecondStream(u64Block)) {
                u64Block = *stream;
                continue;
            }
            std::uint64_t u64Image = u64Block;
            bool const bSearched = u8Byte != kImage;
            if (bSearched) {
                auto const found = Search(u64Block);
                if (found && found->bEnd) return found->u64End;
                if (!found) return bImageWhole ? std::optional<std::uint64_t>(u64Block) : std::nullopt;
                u64Image = found->u64Image;
            }
            auto const next = SkipImage(u64Image, bSearched);
            if (!next) return bImageWhole && bSearched ? std::optional<std::uint64_t>(u64Block) : std::nullopt;
            bImageWhole = true;
            u64Block = *next;
            if (!m_reader.ReadByte(u64Block, u8Byte) || u8Byte == kTrailer) return u64Block + 1;
        }
        return std::nullopt;
    }

private:
    /// Past the header and global colour table of a GIF that starts at `u64Block`, whose logical
    /// screen the walk takes from then on; none when no header stands there.
    std::optional<std::uint64_t> SecondStream(std::uint64_t u64Block) {
        engine::ByteView const header = m_reader.Read(u64Block, kHeaderBytes);
        if (header.Empty() || !StartsWithAnyOf(header, kKeys)) return std::nullopt;
        TakeScreen(header);
        return u64Block + kHeaderBytes + ColourTableBytes(header.U8(10));
    }

    void TakeScreen(engine::ByteView header) {
        m_bVersion9 = header.U8(4) == '9';
        m_u32ScreenWidth = header.Le16(6);
        m_u32ScreenHeight = header.Le16(8);
    }

    /// Past the sub-blocks that start at `u64Position`: the byte after their zero length.
    std::optional<std::uint64_t> SkipSubBlocks(std::uint64_t u64Position) {
        std::uint8_t u8Length = 0;
        while (u64Position <= RawFileBuffer::kMaxWalkBytes) {
            if (!m_reader.ReadByte(u64Position, u8Length)) return std::nullopt;
            u64Position += 1 + std::uint64_t{u8Length};
            if (u8Length == 0) return u64Position;
        }
        return std::nullopt;
    }

    /// Looks at most kSearchBytes past `u64Block` for an image descriptor or a trailer followed
    /// by a zero byte. Version 9 files hop over what looks like an extension, always forward.
    std::optional<Found> Search(std::uint64_t u64Block) {
        std::uint8_t u8Byte = 0;
        std::uint64_t u64Probe = u64Block + 1;
        while (u64Probe - u64Block <= kSearchBytes) {
            if (!m_reader.ReadByte(u64Probe, u8Byte)) return std::nullopt;
            if (u8Byte == kImage) return Found{u64Probe, 0, false};
            if (u8Byte == kTrailer) {
                std::uint8_t u8After = 0;
                if (!m_reader.ReadByte(u64Probe + 1, u8After)) return std::nullopt;
                if (u8After == 0) return Found{0, u64Probe + 1, true};
            }
            std::uint64_t u64Hop = 1;
            if (m_bVersion9 && u8Byte == kExtension) {
                std::uint8_t u8Size = 0;
                if (!m_reader.ReadByte(u64Probe + 2, u8Size)) return std::nullopt;
                u64Hop = std::max<std::uint64_t>(1, u8Size);
            }
            u64Probe += u64Hop;
        }
        return std::nullopt;
    }

    /// Whether the byte at `u64Label` is an extension's label GIF89a defines: plain text,
    /// graphic control, comment or application.
    bool IsExtensionLabel(std::uint64_t u64Label) {
        std::uint8_t u8Label = 0;
        if (!m_reader.ReadByte(u64Label, u8Label)) return false;
        return u8Label == 0x01 || u8Label == 0xF9 || u8Label == 0xFE || u8Label == 0xFF;
    }

    /// Past the image whose descriptor starts at `u64Image`: the byte after its data. One found
    /// among junk (`bSearched`) must be an image: it lies within the logical screen and its
    /// LZW code size is one a decoder takes; random bytes are seldom both.
    std::optional<std::uint64_t> SkipImage(std::uint64_t u64Image, bool bSearched) {
        engine::ByteView const descriptor = m_reader.Read(u64Image, kImageDescriptorBytes);
        if (descriptor.Empty()) return std::nullopt;
        std::uint64_t const u64CodeSize = u64Image + kImageDescriptorBytes + ColourTableBytes(descriptor.U8(9));
        if (bSearched) {
            std::uint32_t const u32Width = descriptor.Le16(5);
            std::uint32_t const u32Height = descriptor.Le16(7);
            std::uint8_t u8CodeSize = 0;
            if (u32Width == 0 || u32Height == 0 || descriptor.Le16(1) + u32Width > m_u32ScreenWidth ||
                descriptor.Le16(3) + u32Height > m_u32ScreenHeight || !m_reader.ReadByte(u64CodeSize, u8CodeSize) ||
                u8CodeSize < kMinCodeSize || u8CodeSize > kMaxCodeSize)
                return std::nullopt;
        }
        return SkipSubBlocks(u64CodeSize + 1);
    }

    RawFileBuffer& m_reader;
    bool m_bVersion9 = false;
    std::uint32_t m_u32ScreenWidth = 0;
    std::uint32_t m_u32ScreenHeight = 0;
};

std::optional<std::uint64_t> GifSize(RawFileBuffer& reader, std::uint32_t) { return GifWalk(reader).Size(); }

constexpr KeyedFormat kGif = {RAW_FILE_TYPE_GIF, kKeys, &GifSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileGIFAnalyser() { return CreateKeyedAnalyser(kGif); }
