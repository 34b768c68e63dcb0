#pragma once
// The end of a JPEG by its structure (ITU-T T.81), from the first byte of its first scan's
// entropy-coded data: the data runs to the first marker that is not a stuffed zero (FF 00), a
// restart (FF D0-D7) or fill (FF FF); further tables and scans follow (progressive and
// multi-scan files) as marker segments skipped by their lengths, up to the end of image (FF D9).
// Where the structure breaks (a cut or fragmented file, foreign bytes) the sector rule of the
// size search takes over from that sector: a sector that ends in FF D9 (or FF D9 00) ends the
// file, and so does the first FF D9 of a sector ending in zeros.
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/ByteView.h"
#include "engine/carve/SectorWalk.h"

namespace jpeg {

/// Whether `u8Marker` may follow SOI or a segment before the first scan: APP0-APP15, COM, DQT,
/// DHT, DAC, DRI and the frame headers (SOF0-SOF15 but DHT, JPG and DAC).
bool MayStartSegment(std::uint8_t u8Marker);

/// The end of a Multi-Picture (MPO) file from its APP2 "MPF" segment: `segment` holds the
/// segment's bytes after its length field ("MPF\0", the MP header, the MP index directory);
/// `u64HeaderAt` is the file offset of the MP header (offsets of the images count from it).
/// The image of the index that ends furthest; none when the segment holds no usable index.
struct IndexedImage {
    std::uint64_t u64Start = 0;
    std::uint64_t u64End = 0;
};
std::optional<IndexedImage> LastIndexedImage(engine::ByteView segment, std::uint64_t u64HeaderAt);

/// The walk from the first scan's data at `u64Data`, bounded by `u64Limit`; the file is at least
/// `u64AtLeast` long (the end of the last image of a Multi-Picture file; 0 for none).
std::unique_ptr<SectorWalk> MakeImageEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Data, std::uint64_t u64Limit,
                                             std::uint64_t u64AtLeast);
/// The walk from `u64Break`, where the marker segments before the first scan broke off (a
/// segment's length that leads to no marker): bytes up to the next marker are passed over, the
/// structure is followed from it, and the picture ends at the end of image found as above, or at
/// the next file the search found past the break when a frame header (`bFrame`: one was read
/// before the break) and a start of scan were met on the way; otherwise, or with none of these
/// before `u64Limit` or the device's end, it is not sized: a start whose segments break off right
/// after its header holds no picture.
std::unique_ptr<SectorWalk> MakeLostSegmentsEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Break,
                                                    std::uint64_t u64Limit, bool bFrame);

}  // namespace jpeg
