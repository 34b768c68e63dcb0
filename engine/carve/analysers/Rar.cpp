// RAR 1.5 to 4.x: a 7-byte marker block "Rar!" 1A 07 00, then blocks that each start with a
// 7-byte base header (little-endian):
//   0 2 CRC;  2 1 type;  3 2 flags;  5 2 header size;  7 4 added size, for the types that carry one
//   file block (74): 7 4 packed size;  11 4 unpacked size;  15 1 host system
// The archive is sized by walking the blocks; it ends at the end-of-archive block, which is
// counted, or at the first block that breaks the rules. RAR 5 ("Rar!" 1A 07 01 00) is another
// format and is refused.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

enum BlockType : std::uint8_t {
    kArchive = 0x73,
    kFile = 0x74,
    kComment = 0x75,
    kAuthenticity = 0x76,
    kSubBlock = 0x77,
    kRecovery = 0x78,
    kAuthenticity2 = 0x7A,
    kNewSub = 0x7B,
};

constexpr std::uint64_t kMarkerBytes = 7;
constexpr std::uint32_t kBaseHeaderBytes = 7;
constexpr std::uint32_t kFileHeaderReadBytes = 16;
constexpr std::uint32_t kMinLongHeaderBytes = 10;
constexpr std::uint8_t kMaxHostSystem = 5;
constexpr std::string_view kEndOfArchive{"\xC4\x3D\x7B\x00\x40\x07\x00", 7};

/// The length of the block at `u64Position` (header and data), or none when it is not a block.
std::optional<std::uint64_t> BlockLength(RawFileBuffer& reader, std::uint64_t u64Position) {
    engine::ByteView const block = reader.ReadUpTo(u64Position, kFileHeaderReadBytes);
    if (!block.Has(0, kBaseHeaderBytes)) return std::nullopt;
    std::uint8_t const u8Type = block.U8(2);
    std::uint64_t const u64Header = block.Le16(5);
    if (u64Header < kBaseHeaderBytes) return std::nullopt;
    switch (u8Type) {
        case kArchive:
        case kAuthenticity:
            if (u8Type == kArchive && u64Header < kMinLongHeaderBytes) return std::nullopt;
            return u64Header;
        case kFile:
            if (!block.Has(0, kFileHeaderReadBytes) || block.Le32(7) > block.Le32(11) || block.U8(15) >= kMaxHostSystem)
                return std::nullopt;
            return u64Header + block.Le32(7);
        case kSubBlock:
            if (!block.Has(0, 14) || block.U8(13) != 0) return std::nullopt;
            return u64Header + block.Le32(7);
        case kComment:
            if (!block.Has(0, 9)) return std::nullopt;
            return u64Header + block.Le16(7);
        case kRecovery:
        case kAuthenticity2:
        case kNewSub:
            if (u64Header < kMinLongHeaderBytes || !block.Has(0, 11)) return std::nullopt;
            return u64Header + block.Le32(7);
        default:
            return std::nullopt;
    }
}

std::optional<std::uint64_t> RarSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const archive = reader.ReadUpTo(kMarkerBytes, kBaseHeaderBytes);
    if (!archive.Has(2, 1) || archive.U8(2) != kArchive) return std::nullopt;
    auto const first = BlockLength(reader, kMarkerBytes);
    if (!first) return std::nullopt;
    std::uint64_t u64Position = kMarkerBytes + *first;
    // Every block moves on by at least 7 bytes and the position is capped: the walk ends. A
    // block that cannot be read (the device's end) ends the archive where it stands.
    while (u64Position <= RawFileBuffer::kMaxWalkBytes) {
        auto const length = BlockLength(reader, u64Position);
        if (!length) break;
        u64Position += *length;
    }
    if (u64Position <= RawFileBuffer::kMaxWalkBytes &&
        reader.Read(u64Position, kEndOfArchive.size()).Equals(0, kEndOfArchive))
        u64Position += kEndOfArchive.size();
    return u64Position;
}

constexpr std::string_view kKeys[] = {std::string_view("Rar!\x1A\x07\x00", 7)};
constexpr KeyedFormat kRar = {RAW_FILE_TYPE_RAR, kKeys, &RarSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileRARAnalyser() { return CreateKeyedAnalyser(kRar); }
