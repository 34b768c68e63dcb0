#pragma once
// Which directory entries are real, so that only they size a TIFF. An entry is valid when its
// type is one of TIFF's and fits its tag, and its count fits the tag and the image the
// directory describes (TIFF 6.0: one value per sample, one offset per strip or tile, two
// subsampling factors, ...); strips count at most a row each, whatever RowsPerStrip says (readers
// take a value past the image's length, and more strips than it allows, as written); a tag
// without a rule of its own holds at most kMaxValueBytes, or as
// many as a few copies of the image. A directory is one when its valid entries outnumber the
// others: random bytes or a crash test's entries (a type of 0, sixteen million subsampling
// factors) size nothing. Only values the entries themselves hold are looked at: nothing is read.
#include <cstdint>

#include "engine/carve/analysers/TiffDirectory.h"

namespace tiff {

/// What a directory's own entries say of its image; 0 where an entry is missing or out of line.
struct ImageGeometry {
    std::uint64_t u64Width = 0;
    std::uint64_t u64Length = 0;
    std::uint64_t u64Samples = 1;
    std::uint64_t u64BytesPerSample = 0;  // 0: not in the entry itself
    std::uint64_t u64TileWidth = 0;
    std::uint64_t u64TileLength = 0;
    bool bPlanar = false;      // planar configuration 2: strips and tiles per sample
    bool bCompressed = false;  // a compression other than none (1, the default)

    /// The uncompressed image's bytes at most; 0 when the directory gives no width or length.
    std::uint64_t ImageBytes() const;
    /// The most bytes one strip or tile may hold, compressed as badly as any scheme does; none
    /// (UINT64_MAX) when the image's size is not told (a raw directory of a camera).
    std::uint64_t MaxDataBytes() const;
    /// The most bytes one uncompressed strip (the whole image, or one sample of it in planes) or
    /// tile holds, of samples as wide as any when the entry does not tell; 0 when the directory
    /// does not tell the image's or the tile's size.
    std::uint64_t RawPieceBytes(bool bTile) const;
};

/// A value the largest tag without a rule of its own holds when the image does not allow more.
inline constexpr std::uint64_t kMaxValueBytes = 16 * 1024 * 1024;

ImageGeometry GeometryOf(Directory const& directory);

bool IsValidEntry(Entry const& entry, ImageGeometry const& geometry);

/// Drops the entries that are not valid; false when the directory is no directory (it had
/// entries, and no more valid ones than others), which then sizes nothing.
bool KeepValidEntries(Directory& directory, ImageGeometry const& geometry);

}  // namespace tiff
