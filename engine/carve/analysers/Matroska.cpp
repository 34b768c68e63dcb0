// Matroska (MKV): EBML elements, each an ID and a size, both variable-length integers (the
// count of leading zero bits of the first byte, plus one, is the length; the size's value is
// the bits after that marker). Layout from RFC 8794 and the Matroska element reference:
//   1A 45 DF A3  EBML header, its size, its children
//   18 53 80 67  Segment, its size (all value bits set: unknown), everything else
// The file is the EBML header and the Segment, so the Segment's size gives its length.
#include <optional>
#include <string_view>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kEbmlHeader = "\x1A\x45\xDF\xA3"sv;
constexpr std::string_view kSegment = "\x18\x53\x80\x67"sv;
constexpr std::size_t kIdBytes = 4;
/// The Segment starts within this many bytes.
constexpr std::uint64_t kMaxSegmentAt = 512;
/// What an unknown-size Segment is given.
constexpr std::uint64_t kUnknownSegmentBytes = 0xFFFFFFFF;

struct VarInt {
    std::size_t length;
    std::uint64_t u64Value;
    bool bUnknown;  // every value bit set
};

/// The variable-length integer at `offset`; none for a zero first byte or one past the bytes.
std::optional<VarInt> ReadVarInt(engine::ByteView bytes, std::size_t offset) {
    if (!bytes.Has(offset, 1) || bytes.U8(offset) == 0) return std::nullopt;
    std::uint8_t const u8First = bytes.U8(offset);
    std::size_t length = 1;
    while ((u8First & (0x80 >> (length - 1))) == 0) ++length;
    if (!bytes.Has(offset, length)) return std::nullopt;
    std::uint64_t u64Value = u8First & ((0x80u >> (length - 1)) - 1);
    for (std::size_t i = 1; i < length; ++i) u64Value = (u64Value << 8) | bytes.U8(offset + i);
    bool const bUnknown = u64Value == (std::uint64_t{1} << (7 * length)) - 1;
    return VarInt{length, u64Value, bUnknown};
}

class FileMKVAnalyser final : public IRawFileAnalyser {
public:
    FileMKVAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_MKV) {}

    /// Sizes at once: EBML header, then the Segment and its size, all within the bytes given.
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(0, kEbmlHeader)) return 0;
        auto const headerSize = ReadVarInt(bytes, kIdBytes);
        if (!headerSize || headerSize->u64Value > kMaxSegmentAt) return 0;
        std::uint64_t const u64Segment = kIdBytes + headerSize->length + headerSize->u64Value;
        if (u64Segment > kMaxSegmentAt || !bytes.Equals(static_cast<std::size_t>(u64Segment), kSegment)) return 0;
        auto const segmentSize = ReadVarInt(bytes, static_cast<std::size_t>(u64Segment) + kIdBytes);
        if (!segmentSize) return 0;
        std::uint64_t const u64Data = u64Segment + kIdBytes + segmentSize->length;
        info.m_u32Type = RAW_FILE_TYPE_MKV;
        info.m_u64Size = u64Data + (segmentSize->bUnknown ? kUnknownSegmentBytes : segmentSize->u64Value);
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMKVAnalyser() { return std::make_unique<FileMKVAnalyser>(); }
