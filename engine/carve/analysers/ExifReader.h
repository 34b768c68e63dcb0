#pragma once
// The EXIF reader shared by the JPEG and TIFF analysers: names a carved picture after its camera
// and dates it. It parses one EXIF block already in memory (the "Exif\0\0" header, then a TIFF
// header and its directories) and reads no device. Layout from the EXIF 2.3 and TIFF 6.0
// standards:
//   header:  0 6 "Exif" 00 00;  6 2 "II" (little-endian) or "MM" (big-endian);  8 2 42;
//            10 4 offset of the first directory, from the TIFF header (offset 6)
//   directory: as TiffDirectory.h decodes it
// Every directory and every value is checked against the block before it is read, and the walk
// is bounded, so a hostile block (loops, links outside it, deep nesting) costs little.
#include <cstdint>
#include <string>

#include "engine/ByteView.h"

/// What one EXIF block told; a fresh record (all empty and zero) before each reading.
struct tag_ExifInfo {
    std::string strCameraMake;             // tag 271, at most 31 characters
    std::string strCameraModel;            // tag 272, at most 39 characters
    std::string strDateTime;               // tag 36867, when the picture was taken; at most 19
    std::string strDateTimeDigitized;      // tag 36868; at most 19
    std::string strExifVersion;            // tag 36864; 4 characters
    std::uint32_t u32ThumbnailOffset = 0;  // from the TIFF header; set only with a length
    std::uint32_t u32ThumbnailLength = 0;  // 0: no thumbnail inside the block
    std::uint32_t u32Orientation = 0;
    std::uint32_t u32IsoEquivalent = 0;
    std::uint32_t u32Flash = 0;
    std::uint32_t u32MeteringMode = 0;
    double dExposureTime = 0;  // seconds
    double dApertureFNumber = 0;
    double dFocalLength = 0;  // mm
    double dXResolution = 0;
    double dYResolution = 0;
    double dCcdWidth = 0;  // mm, from the focal-plane resolution; 0 when unknown
};

/// Reads the EXIF block whose "Exif\0\0" header starts `header` (the bytes available from there
/// on) into `info`. `u32Length` is the APP1 segment's length as stored in front of the header;
/// the TIFF data is taken to be `u32Length` - 6 bytes long, cut to what `header` holds. A length
/// below 14 cannot hold the TIFF header and is refused. Answers 1 when the block was read, 0
/// otherwise (`info` may then be partly filled).
int EXIF_process_EXIF(engine::ByteView header, std::uint32_t u32Length, tag_ExifInfo& info);

/// The number held in `value` (at least the format's size) of a numeric format, in the given
/// byte order; a rational whose denominator is 0 gives 0; a non-numeric format gives 0.
double EXIF_ConvertAnyFormat(engine::ByteView value, std::uint32_t u32Format, engine::ByteOrder order);
