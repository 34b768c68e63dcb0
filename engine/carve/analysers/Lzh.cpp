// LZH (LHA) archives: one header per member followed by its packed data, and a closing zero
// byte. Layout from the LHA header descriptions, little-endian:
//   levels 0 and 1:  0 1 header size (after these two bytes);  1 1 checksum
//   level 2:         0 2 whole header size
//   all:             2 5 method "-lh5-" ...;  7 4 packed size;  11 4 original size;  20 1 level
// A member takes its header and its packed size (which at level 1 includes the extended
// headers); the walk ends at a header without a method, where the closing zero byte stands.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint16_t kMethodOffset = 2;
constexpr std::uint32_t kHeaderReadBytes = 21;
constexpr std::size_t kLevelOffset = 20;
constexpr std::uint8_t kLevel2 = 2;
constexpr std::uint64_t kShortHeaderPrefix = 2;

/// "-lh0-" to "-lh7-" and "-lhd-" (a folder).
bool HasMethod(engine::ByteView header) {
    if (!header.Equals(kMethodOffset, "-lh") || !header.Equals(kMethodOffset + 4, "-")) return false;
    std::uint8_t const u8Kind = header.U8(kMethodOffset + 3);
    return (u8Kind >= '0' && u8Kind <= '7') || u8Kind == 'd';
}

bool LzhProbe(engine::ByteView bytes) { return HasMethod(bytes) && bytes.Has(0, kHeaderReadBytes); }

/// The bytes of the member whose header starts the view.
std::uint64_t MemberBytes(engine::ByteView header) {
    std::uint64_t const u64Packed = header.Le32(7);
    if (header.U8(kLevelOffset) == kLevel2) return std::uint64_t{header.Le16(0)} + u64Packed;
    return std::uint64_t{header.U8(0)} + kShortHeaderPrefix + u64Packed;
}

std::optional<std::uint64_t> LzhSize(RawFileBuffer& reader, std::uint32_t) {
    std::uint64_t u64Position = 0;
    // Every member moves on by at least two bytes and the position is capped: the walk ends.
    while (u64Position <= RawFileBuffer::kMaxWalkBytes) {
        engine::ByteView const header = reader.Read(u64Position, kHeaderReadBytes);
        if (header.Empty() || !HasMethod(header)) break;
        std::uint64_t const u64Member = MemberBytes(header);
        if (u64Member <= kShortHeaderPrefix) break;
        u64Position += u64Member;
    }
    if (u64Position == 0) return std::nullopt;
    std::uint8_t u8Closing = 0xFF;
    if (reader.ReadByte(u64Position, u8Closing) && u8Closing == 0) ++u64Position;
    return u64Position;
}

constexpr KeyedFormat kLzh = {RAW_FILE_TYPE_LZH, {}, &LzhSize, &LzhProbe, nullptr, RawLandmark{kMethodOffset, '-'}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileLZHAnalyser() { return CreateKeyedAnalyser(kLzh); }
