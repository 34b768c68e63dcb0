#pragma once
// The one decoder of TIFF image file directories, shared by the EXIF reader (a block in memory)
// and the TIFF sizer (directories read from the device). Layout from TIFF 6.0:
//   header:    0 2 "II" (little-endian) or "MM" (big-endian);  2 2 42;  4 4 first directory
//   directory: 0 2 entry count n;  2 12n entries;  2+12n 4 the next directory (0: none)
//   entry:     0 2 tag;  2 2 type;  4 4 count;  8 4 the value itself when count x type size
//              fits in 4 bytes (left-justified), else the offset of the value
// The decoder turns these bytes into host-order records; it follows no offset and reads nothing
// outside the bytes it is given.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"

namespace tiff {

constexpr std::uint32_t kEntryBytes = 12;
constexpr std::uint32_t kHeaderBytes = 8;
constexpr std::uint16_t kMagic = 42;

/// The tags the analysers look at, by their numbers in TIFF 6.0, EXIF 2.3 and DNG 1.4.
enum Tag : std::uint16_t {
    kTagEmbeddedJpeg = 46,  // Panasonic's JpgFromRaw
    kTagMake = 271,
    kTagModel = 272,
    kTagStripOffsets = 273,
    kTagOrientation = 274,
    kTagStripByteCounts = 279,
    kTagXResolution = 282,
    kTagYResolution = 283,
    kTagDateTime = 306,
    kTagTileOffsets = 324,
    kTagTileByteCounts = 325,
    kTagSubIfds = 330,
    kTagJpegOffset = 513,  // also the EXIF thumbnail's offset
    kTagJpegLength = 514,  // and its length
    kTagExposureTime = 33434,
    kTagFNumber = 33437,
    kTagExifIfd = 34665,
    kTagIsoEquivalent = 34855,
    kTagExifVersion = 36864,
    kTagDateTimeOriginal = 36867,
    kTagDateTimeDigitized = 36868,
    kTagMeteringMode = 37383,
    kTagFlash = 37385,
    kTagFocalLength = 37386,
    kTagMakerNote = 37500,
    kTagExifImageWidth = 40962,
    kTagExifImageLength = 40963,
    kTagInteropIfd = 40965,
    kTagFocalPlaneXRes = 41486,
    kTagFocalPlaneUnits = 41488,
    kTagDngVersion = 50706,
    kTagDngPrivateData = 50740,
};

/// The field types 1 to 13 (byte, ASCII, short, long, rational, signed byte, undefined, signed
/// short, signed long, signed rational, float, double, IFD: a directory's offset) and their
/// sizes; 0 for any other type.
std::uint32_t TypeBytes(std::uint32_t u32Type);

/// One directory entry in host order.
struct Entry {
    std::uint16_t u16Tag = 0;
    std::uint16_t u16Type = 0;
    std::uint32_t u32Count = 0;
    std::uint64_t u64DataBytes = 0;  // count x type size; 0 for an unknown type
    std::uint32_t u32Field = 0;      // the 4-byte value field read as a long (an offset when the data is longer)
    std::uint32_t u32Value = 0;      // a single short read in its own width, else the field
    std::uint32_t u32FieldAt = 0;    // where the value field stands, from the directory's start

    /// Where the data stands: in the entry itself, or at the offset the field holds. Both are
    /// relative to what the directory's offset is relative to, given the directory's offset.
    std::uint64_t DataAt(std::uint64_t u64Directory) const {
        return u64DataBytes > 4 ? u32Field : u64Directory + u32FieldAt;
    }
};

struct Directory {
    std::vector<Entry> entries;
    std::optional<std::uint32_t> next;  // the link, when the bytes hold it
};

/// The byte order a header's first two bytes name; none for anything but "II" and "MM".
std::optional<engine::ByteOrder> OrderOf(engine::ByteView header);

/// The bytes a directory of `u32Entries` entries takes, with its link.
constexpr std::uint64_t DirectoryBytes(std::uint32_t u32Entries) {
    return 2 + std::uint64_t{u32Entries} * kEntryBytes + 4;
}

/// Decodes the directory whose entry count stands at `bytes`' start into `directory` (whose
/// storage a walk reuses from one directory to the next). False when the count is above
/// `u32MaxEntries` or the entries do not fit; the link is left out when it does not fit.
bool DecodeDirectory(engine::ByteView bytes, engine::ByteOrder order, std::uint32_t u32MaxEntries,
                     Directory& directory);

}  // namespace tiff
