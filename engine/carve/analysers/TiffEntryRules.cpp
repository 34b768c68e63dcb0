#include "engine/carve/analysers/TiffEntryRules.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"

namespace tiff {

namespace {

enum TypeBit : std::uint16_t {
    kByte = 1 << 1,
    kAscii = 1 << 2,
    kShort = 1 << 3,
    kLong = 1 << 4,
    kRational = 1 << 5,
    kUndefined = 1 << 7,
    kIfd = 1 << 13,
};

enum class Count : std::uint8_t {
    AtMost,     // `u32Count` values
    PerSample,  // one per sample (a few more allowed: writers round them to 4)
    PerStrip,
    PerTile,
    PerLevel,  // one per level of every sample: a colour map, a transfer function
};

struct TagRule {
    std::uint16_t u16Tag;
    std::uint16_t u16Types;
    Count eCount;
    std::uint32_t u32Count = 0;
};

// TIFF 6.0's baseline and extension tags whose values have a fixed shape, and the directory
// links of EXIF; in tag order. Text tags take bytes and undefined bytes too, as cameras write them.
constexpr TagRule kRules[] = {
    {254, kLong, Count::AtMost, 1},
    {255, kShort, Count::AtMost, 1},
    {256, kShort | kLong, Count::AtMost, 1},
    {257, kShort | kLong, Count::AtMost, 1},
    {258, kShort, Count::PerSample},
    {259, kShort, Count::AtMost, 1},
    {262, kShort, Count::AtMost, 1},
    {266, kShort, Count::AtMost, 1},
    {271, kAscii | kByte | kUndefined, Count::AtMost, 0x10000},
    {272, kAscii | kByte | kUndefined, Count::AtMost, 0x10000},
    {273, kShort | kLong, Count::PerStrip},
    {274, kShort, Count::AtMost, 1},
    {277, kShort, Count::AtMost, 1},
    {278, kShort | kLong, Count::AtMost, 1},
    {279, kShort | kLong, Count::PerStrip},
    {282, kRational, Count::AtMost, 1},
    {283, kRational, Count::AtMost, 1},
    {284, kShort, Count::AtMost, 1},
    {296, kShort, Count::AtMost, 1},
    {297, kShort, Count::AtMost, 2},
    {301, kShort, Count::PerLevel},
    {306, kAscii | kByte | kUndefined, Count::AtMost, 0x10000},
    {318, kRational, Count::AtMost, 2},
    {319, kRational, Count::AtMost, 6},
    {320, kShort, Count::PerLevel},
    {322, kShort | kLong, Count::AtMost, 1},
    {323, kShort | kLong, Count::AtMost, 1},
    {324, kShort | kLong, Count::PerTile},
    {325, kShort | kLong, Count::PerTile},
    {330, kLong | kIfd, Count::AtMost, 512},
    {338, kShort, Count::PerSample},
    {339, kShort, Count::PerSample},
    {513, kShort | kLong, Count::AtMost, 1},
    {514, kShort | kLong, Count::AtMost, 1},
    {529, kRational, Count::AtMost, 3},
    {530, kShort, Count::AtMost, 2},
    {531, kShort, Count::AtMost, 1},
    {532, kRational | kLong | kShort, Count::PerSample, 2},
    {34665, kLong | kIfd, Count::AtMost, 1},
    {34853, kLong | kIfd, Count::AtMost, 1},
    {40965, kLong | kIfd, Count::AtMost, 1},
};

constexpr std::uint64_t kMaxSamples = 4;         // PerSample: writers round counts up to this
constexpr std::uint64_t kMaxLevels = 3 << 16;    // PerLevel: three maps of 16-bit samples
constexpr std::uint64_t kWorstExpansion = 16;    // CCITT codes of noise outgrow its bits this far
constexpr std::uint64_t kDataSlack = 64 * 1024;  // a JPEG strip's tables on a tiny image
constexpr std::uint64_t kValueCopies = 8;        // a tag without a rule: layers, previews
constexpr std::uint32_t kMaxUnboundPieces = 1 << 20;

TagRule const* RuleOf(std::uint16_t u16Tag) {
    auto const it = std::lower_bound(std::begin(kRules), std::end(kRules), u16Tag,
                                     [](TagRule const& rule, std::uint16_t tag) { return rule.u16Tag < tag; });
    return it != std::end(kRules) && it->u16Tag == u16Tag ? it : nullptr;
}

std::uint64_t CeilDiv(std::uint64_t u64Value, std::uint64_t u64Unit) {
    return u64Unit == 0 ? 0 : (u64Value + u64Unit - 1) / u64Unit;
}

/// a x b, saturating.
std::uint64_t Times(std::uint64_t a, std::uint64_t b) { return engine::CheckedMul(a, b).value_or(UINT64_MAX); }

std::uint64_t Planes(ImageGeometry const& g) { return g.bPlanar ? g.u64Samples : 1; }

/// Strips or tiles the image may have; 0 when the directory does not tell. A strip holds a row
/// at least: RowsPerStrip, which writers leave out or set past the length, bounds nothing.
std::uint64_t PiecesOf(ImageGeometry const& g, Count eCount) {
    if (eCount == Count::PerStrip) return Times(g.u64Length, Planes(g));
    if (g.u64Width == 0 || g.u64Length == 0 || g.u64TileWidth == 0 || g.u64TileLength == 0) return 0;
    return Times(CeilDiv(g.u64Width, g.u64TileWidth) * CeilDiv(g.u64Length, g.u64TileLength), Planes(g));
}

/// Bytes of one sample as the directory's own entry gives them, else `u64Unknown`.
std::uint64_t SampleBytes(ImageGeometry const& g, std::uint64_t u64Unknown) {
    return g.u64BytesPerSample != 0 ? g.u64BytesPerSample : u64Unknown;
}

// Samples of an image: 4 bytes in most, 8 (a double) at the very most.
constexpr std::uint64_t kUsualWidestSample = 4;
constexpr std::uint64_t kWidestSample = 8;

bool CountFits(Entry const& entry, TagRule const& rule, ImageGeometry const& g) {
    std::uint64_t const u64Count = entry.u32Count;
    if (u64Count == 0) return false;
    switch (rule.eCount) {
        case Count::AtMost:
            return u64Count <= rule.u32Count;
        case Count::PerSample:
            return u64Count <= std::max(g.u64Samples, kMaxSamples) * std::max<std::uint32_t>(rule.u32Count, 1);
        case Count::PerLevel:
            return u64Count <= kMaxLevels;
        case Count::PerStrip:
        case Count::PerTile: {
            std::uint64_t const u64Pieces = PiecesOf(g, rule.eCount);
            return u64Count <= (u64Pieces != 0 ? u64Pieces : kMaxUnboundPieces);
        }
    }
    return false;
}

}  // namespace

std::uint64_t ImageGeometry::ImageBytes() const {
    if (u64Width == 0 || u64Length == 0) return 0;
    return Times(Times(Times(u64Width, u64Length), std::max<std::uint64_t>(u64Samples, 1)),
                 SampleBytes(*this, kUsualWidestSample));
}

std::uint64_t ImageGeometry::RawPieceBytes(bool bTile) const {
    std::uint64_t const u64PieceWidth = bTile ? u64TileWidth : u64Width;
    std::uint64_t const u64PieceLength = bTile ? u64TileLength : u64Length;
    if (u64PieceWidth == 0 || u64PieceLength == 0) return 0;
    std::uint64_t const u64PixelSamples = bPlanar ? 1 : std::max<std::uint64_t>(u64Samples, 1);
    return Times(Times(Times(u64PieceWidth, u64PieceLength), u64PixelSamples), SampleBytes(*this, kWidestSample));
}

std::uint64_t ImageGeometry::MaxDataBytes() const {
    std::uint64_t const u64Image = ImageBytes();
    if (u64Image == 0) return UINT64_MAX;
    return engine::CheckedAdd(Times(u64Image, kWorstExpansion), kDataSlack).value_or(UINT64_MAX);
}

ImageGeometry GeometryOf(Directory const& directory) {
    ImageGeometry g;
    for (Entry const& entry : directory.entries) {
        // Only a single value the entry holds itself is taken.
        if (entry.u32Count != 1 || (entry.u16Type != 3 && entry.u16Type != 4)) continue;
        std::uint64_t const u64Value = entry.u32Value;
        switch (entry.u16Tag) {
            case 256:
                g.u64Width = u64Value;
                break;
            case 257:
                g.u64Length = u64Value;
                break;
            case 258:
                g.u64BytesPerSample = CeilDiv(u64Value, 8);
                break;
            case 259:
                g.bCompressed = u64Value != 1;
                break;
            case 277:
                g.u64Samples = std::max<std::uint64_t>(u64Value, 1);
                break;
            case 284:
                g.bPlanar = u64Value == 2;
                break;
            case 322:
                g.u64TileWidth = u64Value;
                break;
            case 323:
                g.u64TileLength = u64Value;
                break;
            default:
                break;
        }
    }
    return g;
}

bool IsValidEntry(Entry const& entry, ImageGeometry const& geometry) {
    if (TypeBytes(entry.u16Type) == 0) return false;
    if (TagRule const* pRule = RuleOf(entry.u16Tag))
        return (pRule->u16Types >> entry.u16Type & 1) != 0 && CountFits(entry, *pRule, geometry);
    return entry.u32Count != 0 &&
           entry.u64DataBytes <= std::max(kMaxValueBytes, Times(geometry.ImageBytes(), kValueCopies));
}

bool KeepValidEntries(Directory& directory, ImageGeometry const& geometry) {
    std::size_t const total = directory.entries.size();
    std::erase_if(directory.entries, [&geometry](Entry const& entry) { return !IsValidEntry(entry, geometry); });
    std::size_t const valid = directory.entries.size();
    return total == 0 || (valid != 0 && valid >= total - valid);
}

}  // namespace tiff
