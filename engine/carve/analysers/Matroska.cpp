// Matroska (MKV): EBML elements, each an ID and a size, both variable-length integers (the
// count of leading zero bits of the first byte, plus one, is the length; the size's value is
// the bits after that marker). Layout from RFC 8794 and the Matroska element reference:
//   1A 45 DF A3  EBML header, its size, its children
//   18 53 80 67  Segment, its size (all value bits set: unknown), everything else
// The file is the EBML header and the Segment, so the Segment's size gives its length, as far as
// the Segment's elements (and those of a Cluster of unknown size) bear it out: a cut file ends
// where its elements stop.
#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
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

struct ElementId {
    std::uint32_t u32Id;  // with its marker bits, as the Matroska element reference writes it
    std::size_t length;
};

/// An element's ID; none past the bytes or longer than four bytes.
std::optional<ElementId> ReadId(engine::ByteView bytes, std::size_t offset) {
    auto const id = ReadVarInt(bytes, offset);
    if (!id || id->length > kIdBytes) return std::nullopt;
    std::uint32_t u32Id = 0;
    for (std::size_t i = 0; i < id->length; ++i) u32Id = (u32Id << 8) | bytes.U8(offset + i);
    return ElementId{u32Id, id->length};
}

// The Segment's children (SeekHead, Info, Tracks, Cluster, Cues, Attachments, Chapters, Tags,
// Void, CRC-32) and a Cluster's (Timestamp, SilentTracks, Position, PrevSize, SimpleBlock,
// BlockGroup, EncryptedBlock, Void, CRC-32).
constexpr std::uint32_t kCluster = 0x1F43B675;
constexpr std::uint32_t kSegmentChildren[] = {0x114D9B74, 0x1549A966, 0x1654AE6B, kCluster, 0x1C53BB6B,
                                              0x1941A469, 0x1043A770, 0x1254C367, 0xEC,     0xBF};
constexpr std::uint32_t kClusterChildren[] = {0xE7, 0x5854, 0xA7, 0xAB, 0xA3, 0xA0, 0xAF, 0xEC, 0xBF};
constexpr std::uint32_t kMaxElements = 1 << 20;
constexpr std::size_t kElementHead = 12;  // the longest ID (4) and size (8)

bool IsOneOf(std::uint32_t u32Id, std::span<std::uint32_t const> ids) {
    return std::find(ids.begin(), ids.end(), u32Id) != ids.end();
}

/// The Segment's layout from the file's start: where its data starts and its stated size.
struct SegmentHead {
    std::uint64_t u64Data;
    std::optional<std::uint64_t> size;  // none: unknown (all value bits set)
};

std::optional<SegmentHead> ReadSegmentHead(engine::ByteView bytes) {
    if (!bytes.Equals(0, kEbmlHeader)) return std::nullopt;
    auto const headerSize = ReadVarInt(bytes, kIdBytes);
    if (!headerSize || headerSize->u64Value > kMaxSegmentAt) return std::nullopt;
    std::uint64_t const u64Segment = kIdBytes + headerSize->length + headerSize->u64Value;
    if (u64Segment > kMaxSegmentAt || !bytes.Equals(static_cast<std::size_t>(u64Segment), kSegment))
        return std::nullopt;
    auto const segmentSize = ReadVarInt(bytes, static_cast<std::size_t>(u64Segment) + kIdBytes);
    if (!segmentSize) return std::nullopt;
    SegmentHead head{u64Segment + kIdBytes + segmentSize->length, std::nullopt};
    if (!segmentSize->bUnknown) head.size = segmentSize->u64Value;
    return head;
}

/// Walks the elements from `u64From` to `u64To` whose IDs `ids` allows; a Cluster of unknown
/// size runs over its own children. The end of the last element that holds up.
std::uint64_t WalkElements(RawFileBuffer& reader, std::uint64_t u64From, std::uint64_t u64To,
                           std::span<std::uint32_t const> ids, std::uint32_t& u32Budget) {
    std::uint64_t u64At = u64From;
    // Every element moves on by its head at least and the budget is finite: the loop ends.
    while (u64At < u64To) {
        if (u32Budget == 0) return u64To;  // spent, it stays 0: the enclosing walk stops too
        --u32Budget;
        engine::ByteView const head = reader.ReadUpTo(u64At, kElementHead);
        auto const id = ReadId(head, 0);
        if (!id || !IsOneOf(id->u32Id, ids)) return u64At;
        auto const size = ReadVarInt(head, id->length);
        if (!size) return u64At;
        std::uint64_t const u64Data = u64At + id->length + size->length;
        if (size->bUnknown) {
            if (id->u32Id != kCluster) return u64At;
            u64At = WalkElements(reader, u64Data, u64To, kClusterChildren, u32Budget);
            continue;
        }
        if (u64Data > u64To || size->u64Value > u64To - u64Data) return u64At;
        u64At = u64Data + size->u64Value;
    }
    return std::min(u64At, u64To);
}

class FileMKVAnalyser final : public IRawFileAnalyser {
public:
    FileMKVAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_MKV) {}

    /// EBML header, then the Segment and its size, all within the bytes given.
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (!ReadSegmentHead(engine::ByteView(pBuffer, u32Readable))) return 0;
        info.m_u32Type = RAW_FILE_TYPE_MKV;
        info.m_u64Size = 0;
        return 1;
    }

    /// The Segment's stated size, as far as its elements bear it out.
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::optional<SegmentHead> const head =
            ReadSegmentHead(reader.ReadUpTo(0, kMaxSegmentAt + kElementHead + kIdBytes));
        if (!head) return 0;
        std::uint64_t const u64End = head->u64Data + head->size.value_or(kUnknownSegmentBytes);
        std::uint32_t u32Budget = kMaxElements;
        info.m_u64Size = WalkElements(reader, head->u64Data, u64End, kSegmentChildren, u32Budget);
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMKVAnalyser() { return std::make_unique<FileMKVAnalyser>(); }
