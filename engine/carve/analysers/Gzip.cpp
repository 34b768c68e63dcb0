// gzip (RFC 1952): a 10-byte header, optional fields by its flags, deflate data, then CRC and
// length. Nothing states the member's length: the file ends at the first sector from the one
// where the data starts whose last 8 bytes are zero, so it is recovered to the end of its last
// sector. The stored name (FNAME) names the carved file.
//   0 2 1F 8B;  2 1 method, 8 (deflate);  3 1 flags;  4 4 time;  8 1 extra flags;  9 1 system
//   flags: 4 FEXTRA (u16 length, bytes);  8 FNAME, 16 FCOMMENT (zero-terminated);  2 FHCRC (2 bytes)
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint32_t kHeaderBytes = 10;
constexpr std::uint8_t kId1 = 0x1F;
constexpr std::uint8_t kId2 = 0x8B;
constexpr std::uint8_t kFlagHeaderCrc = 0x02;
constexpr std::uint8_t kFlagExtra = 0x04;
constexpr std::uint8_t kFlagName = 0x08;
constexpr std::uint8_t kFlagComment = 0x10;
constexpr std::uint8_t kFlagsBelow = 0x20;
constexpr std::uint8_t kSystemsBelow = 14;
constexpr std::uint32_t kZeroTailBytes = 8;
constexpr std::size_t kMaxNameBytes = 1024;
/// A name or comment this long is no header field: the file is taken to end there.
constexpr std::uint64_t kMaxTextField = 0x1400000;
/// No member worth carving is this long; the search stops here.
constexpr std::uint64_t kMaxSearch = 0xD000000;

/// Extra flags: 0 (gzip's default level), 2 (-9) and 4 (-1).
bool KnownExtraFlags(std::uint8_t u8Value) { return u8Value == 0 || u8Value == 2 || u8Value == 4; }

bool IsHeader(engine::ByteView bytes) {
    return bytes.Has(0, kHeaderBytes) && bytes.U8(0) == kId1 && bytes.U8(1) == kId2 && bytes.U8(2) == 8 &&
           bytes.U8(3) < kFlagsBelow && KnownExtraFlags(bytes.U8(8)) && bytes.U8(9) < kSystemsBelow;
}

struct TextField {
    std::uint64_t u64End = 0;  // past its terminator, or where the search gave up
    bool bTerminated = false;
};

/// Walks a zero-terminated field from `u64Position`, keeping its first bytes in `pText` when
/// given; none when it cannot be read.
std::optional<TextField> SkipText(RawFileBuffer& reader, std::uint64_t u64Position, std::string* pText) {
    std::uint64_t const u64Limit = u64Position + kMaxTextField;
    while (u64Position < u64Limit) {
        engine::ByteView const bytes = reader.ReadUpTo(
            u64Position,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(reader.GetWindowSize(), u64Limit - u64Position)));
        if (bytes.Empty()) return std::nullopt;
        for (std::size_t i = 0; i < bytes.Size(); ++i) {
            std::uint8_t const u8Char = bytes.U8(i);
            if (u8Char == 0) return TextField{u64Position + i + 1, true};
            if (pText != nullptr && pText->size() < kMaxNameBytes) pText->push_back(static_cast<char>(u8Char));
        }
        u64Position += bytes.Size();
    }
    return TextField{u64Limit, false};
}

bool GzipProbe(engine::ByteView bytes) { return IsHeader(bytes); }

/// The member's end: the end of the first sector from the data's on whose last bytes are zero.
class MemberEndWalk final : public SectorWalk {
public:
    MemberEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Data)
        : SectorWalk(u32SectorSize, u64Data / u32SectorSize * u32SectorSize, kMaxSearch, true) {}

protected:
    bool MayEnd(engine::ByteView sector) const override { return EndsInZeros(sector, kZeroTailBytes); }
    bool Look(IWalkSource&, std::uint64_t u64Sector, std::uint64_t, engine::ByteView) override {
        End(std::min(u64Sector + SectorSize(), kMaxSearch));
        return true;
    }
    std::optional<std::uint64_t> Stopped(std::uint64_t u64At) const override { return std::min(u64At, kMaxSearch); }
};

Sizing GzipSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, KeyedFile& file) {
    engine::ByteView const header = reader.Read(0, kHeaderBytes);
    if (!IsHeader(header)) return {};
    std::uint8_t const u8Flags = header.U8(3);
    file.eType = RAW_FILE_TYPE_GZ;

    std::uint64_t u64Position = kHeaderBytes;
    if ((u8Flags & kFlagExtra) != 0) {
        engine::ByteView const length = reader.Read(u64Position, 2);
        if (length.Empty()) return {};
        u64Position += 2 + std::uint64_t{length.Le16(0)};
    }
    for (std::uint8_t const u8Flag : {kFlagName, kFlagComment}) {
        if ((u8Flags & u8Flag) == 0) continue;
        auto const field = SkipText(reader, u64Position, u8Flag == kFlagName ? &file.name : nullptr);
        if (!field) return {};
        u64Position = field->u64End;
        if (!field->bTerminated) return {u64Position, nullptr};
    }
    if ((u8Flags & kFlagHeaderCrc) != 0) u64Position += 2;
    // From the sector in which the data starts: a member shorter than a sector ends in it.
    return {std::nullopt, std::make_unique<MemberEndWalk>(u32SectorSize, u64Position)};
}

constexpr KeyedFormat kGzip = {.eType = RAW_FILE_TYPE_GZ,
                               .keys = {},
                               .sizer = nullptr,
                               .probe = &GzipProbe,
                               .landmark = RawLandmark{0, kId1},
                               .walkingSizer = &GzipSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileGZAnalyser() { return CreateKeyedAnalyser(kGzip); }
