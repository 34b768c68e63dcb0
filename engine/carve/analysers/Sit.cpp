// StuffIt archives, found by "Stuf" + "fIt". Byte 7 tells the two kinds apart:
//   "StuffIt " (the 5.x format): 84 4 the archive's length, big-endian
//   "StuffIt!" (StuffIt X, SITX): no length; the archive ends with the marker
//       02 D7 0A xx 98 F6 42 88, followed by 4, 5 or 6 bytes by its byte xx (19, ";", other),
//       in the sector whose last two bytes are zero
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::size_t kKindOffset = 7;
constexpr std::size_t kLengthOffset = 84;
constexpr std::uint32_t kOldHeaderBytes = 88;
constexpr std::uint64_t kMaxSize = 0x82000000;
constexpr std::uint32_t kZeroTailBytes = 2;
constexpr std::string_view kMarkerStart{"\x02\xD7\x0A", 3};
constexpr std::string_view kMarkerEnd{"\x98\xF6\x42\x88", 4};
constexpr std::uint64_t kMarkerBytes = 8;
constexpr std::uint64_t kAroundBytes = 16;  // the marker may straddle the sector's start

/// What follows the marker, by its byte 3.
std::uint64_t MarkerTail(std::uint8_t u8Kind) { return u8Kind == 0x19 ? 4 : u8Kind == ';' ? 5 : 6; }

/// The first offset of `text` in `bytes`, if any.
std::optional<std::size_t> Find(engine::ByteView bytes, std::string_view text) {
    for (std::size_t i = 0; i + text.size() <= bytes.Size(); ++i)
        if (bytes.Equals(i, text)) return i;
    return std::nullopt;
}

/// SITX: the end found by the marker, sector by sector.
class SitxEndWalk final : public SectorWalk {
public:
    explicit SitxEndWalk(std::uint32_t u32SectorSize) : SectorWalk(u32SectorSize, 0, kMaxSize + 1, true) {}

protected:
    bool MayEnd(engine::ByteView sector) const override { return EndsInZeros(sector, kZeroTailBytes); }

    bool Look(IWalkSource& source, std::uint64_t u64Sector, std::uint64_t, engine::ByteView sector) override {
        if (auto const at = Find(sector, kMarkerStart)) {
            engine::ByteView const marker = source.Read(u64Sector + *at, kMarkerBytes);
            if (!marker.Equals(4, kMarkerEnd)) return Ends(u64Sector);
            return Ends(u64Sector + *at + kMarkerBytes + MarkerTail(marker.U8(3)));
        }
        if (u64Sector >= kAroundBytes) {
            engine::ByteView const around = source.Read(u64Sector - kAroundBytes, 2 * kAroundBytes);
            for (std::size_t i = 0; i + kMarkerBytes <= around.Size(); ++i)
                if (around.Equals(i, kMarkerStart) && around.Equals(i + 4, kMarkerEnd))
                    return Ends(u64Sector + SectorSize());
        }
        return false;
    }

private:
    bool Ends(std::uint64_t u64Size) {
        End(u64Size);
        return true;
    }
};

Sizing SitSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, KeyedFile& file) {
    engine::ByteView const header = reader.ReadUpTo(0, kOldHeaderBytes);
    switch (header.U8(kKindOffset)) {
        case '!':
            file.eType = RAW_FILE_TYPE_SITX;
            return {std::nullopt, std::make_unique<SitxEndWalk>(u32SectorSize)};
        case ' ': {
            // A first sector too short to hold the length, or a length of 0, gives no size.
            if (!header.Has(kLengthOffset, 4) || header.Be32(kLengthOffset) == 0) return {};
            std::uint32_t const u32Length = header.Be32(kLengthOffset);
            file.eType = RAW_FILE_TYPE_SIT;
            return {(u32Length & 0x80000000u) != 0 ? kMaxSize : u32Length, nullptr};
        }
        default:
            return {};
    }
}

constexpr std::string_view kKeys[] = {"StuffIt"};
constexpr KeyedFormat kSit = {.eType = RAW_FILE_TYPE_SIT, .keys = kKeys, .sizer = nullptr, .walkingSizer = &SitSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileSITAnalyser() { return CreateKeyedAnalyser(kSit); }
