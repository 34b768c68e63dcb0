// Apple disk images whose data is bzip2-compressed ("BZh1" + the block magic 31 41 59 26 53 59,
// "1AY&SY"): the image's 512-byte "koly" trailer, big-endian, ends it:
//   0 4 "koly";  4 4 version, 4;  8 4 header size, 512;  ...  the last bytes reserved, 0
// The trailer is found sector by sector: it ends in the sector whose last bytes are zero.
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::uint64_t kTrailerBytes = 512;
constexpr std::uint32_t kZeroTailBytes = 8;
constexpr std::uint32_t kTrailerVersion = 4;
/// No image worth carving is this long; the search stops here.
constexpr std::uint64_t kMaxSearch = 0x82000000;

bool IsTrailer(engine::ByteView bytes, std::size_t offset) {
    return bytes.Equals(offset, "koly") && bytes.Be32(offset + 4) == kTrailerVersion &&
           bytes.Be32(offset + 8) == kTrailerBytes;
}

/// The trailer that ends within the sector [u64Sector, +S): it starts less than 512 bytes
/// before the sector or within it; none when there is none.
std::optional<std::uint64_t> TrailerEndingIn(IWalkSource& source, std::uint64_t u64Sector,
                                             std::uint32_t u32SectorSize) {
    std::uint64_t const u64From = u64Sector >= kTrailerBytes - 1 ? u64Sector - (kTrailerBytes - 1) : 0;
    std::uint64_t const u64To = u64Sector + u32SectorSize - kTrailerBytes;  // the last start that fits
    if (u64To < u64From) return std::nullopt;
    engine::ByteView const bytes = source.Read(u64From, static_cast<std::uint32_t>(u64To - u64From + 12));
    for (std::uint64_t u64Start = u64From; u64Start <= u64To; ++u64Start)
        if (IsTrailer(bytes, static_cast<std::size_t>(u64Start - u64From))) return u64Start + kTrailerBytes;
    return std::nullopt;
}

/// The trailer searched for sector by sector in the sectors that end in zeros; without one the
/// image ends where the search stopped, a guess the search cuts at the next file it found.
class TrailerWalk final : public SectorWalk {
public:
    explicit TrailerWalk(std::uint32_t u32SectorSize) : SectorWalk(u32SectorSize, 0, kMaxSearch, true) {}

    void Describe(CRawFileInfo& info) const override {
        if (m_bFound) return;
        info.m_bSizeGuessed = true;
        info.m_u64Borne = 0;
    }

protected:
    bool MayEnd(engine::ByteView sector) const override { return EndsInZeros(sector, kZeroTailBytes); }
    bool Look(IWalkSource& source, std::uint64_t u64Sector, std::uint64_t, engine::ByteView) override {
        auto const end = TrailerEndingIn(source, u64Sector, SectorSize());
        if (end) End(*end);
        m_bFound = end.has_value();
        return m_bFound;
    }

private:
    bool m_bFound = false;
};

Sizing DmgSize(RawFileBuffer&, std::uint32_t u32SectorSize, KeyedFile&) {
    return {std::nullopt, std::make_unique<TrailerWalk>(u32SectorSize)};
}

constexpr std::string_view kKeys[] = {"BZh11AY&SY"};
constexpr KeyedFormat kDmg = {.eType = RAW_FILE_TYPE_DMG, .keys = kKeys, .sizer = nullptr, .walkingSizer = &DmgSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileDMGAnalyser() { return CreateKeyedAnalyser(kDmg); }
