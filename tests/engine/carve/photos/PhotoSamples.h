#pragma once
// Photographs for the photograph analyser tests, made at test time by the real tools
// (ImageMagick, exiftool, tiffcp) so that the bytes are what cameras and editors write, and
// small builders for the raw formats no tool here writes (CRW, MRW, X3F, a Fuji container).
#include <cstdint>
#include <string>
#include <vector>

#include "../corpus/CarvedSample.h"
#include "support/ByteFields.h"

namespace phototest {

using Bytes = std::vector<std::uint8_t>;

/// Camera tags exiftool writes; an empty field is left out.
struct CameraTags {
    std::string make;
    std::string model;
    std::string dateTime;  // "YYYY:MM:DD hh:mm:ss", as DateTimeOriginal (and ModifyDate in TIFFs)
    bool bDng = false;     // adds DNGVersion 1.4.0.0
};

/// Why the tools cannot run here, or empty when they can.
std::string MissingTools();

/// Makes pictures in one folder; every call a new file. Each answers empty bytes (with the
/// failing command in Error()) when a tool fails.
class PhotoMaker {
public:
    explicit PhotoMaker(std::string folder) : m_folder(std::move(folder)) {}

    /// A JFIF JPEG of `width` x `height` plasma; `bProgressive` interlaced; EXIF from `tags`
    /// when a field is set (exiftool puts the APP1 right after the 16-byte APP0).
    Bytes Jpeg(CameraTags const& tags, bool bProgressive = false, int width = 160, int height = 120);
    /// A 160 x 120 one, its JFIF APP0 removed: with tags an EXIF-first JPEG, without a plain one
    /// (FF D8 FF DB).
    Bytes JpegWithoutJfif(CameraTags const& tags, bool bProgressive = false);
    /// A `width` x `height` uncompressed RGB TIFF in the given byte order, optionally tiled (tiffcp -t).
    Bytes Tiff(CameraTags const& tags, bool bBigEndian, bool bTiled = false, int width = 64, int height = 64);
    /// An uncompressed TIFF of `pages` pages of 64 x 48 (convert -duplicate).
    Bytes MultiPageTiff(int pages);
    /// A 20 x 20 JPEG with a comment (COM) of `u32Bytes` bytes, or an ICC profile of about
    /// `u32Bytes` bytes in APP2 segments, both written by exiftool before the frame.
    Bytes SmallJpegWithComment(std::uint32_t u32Bytes);
    Bytes SmallJpegWithIccProfile(std::uint32_t u32Bytes);
    /// A 160 x 120 JPEG by cjpeg -quality 10 (not -baseline): its frame header is SOF1, as its
    /// quantisation tables need 16-bit entries. Checked to be so and to decode.
    Bytes ExtendedSequentialJpeg();
    /// An ImageMagick GIF with a comment, its comment extension moved to right before the trailer
    /// (where writers that add metadata last put it).
    Bytes GifCommentedLast();

    // Pictures readers take though their structure breaks a rule, as in Pillow's test images.
    /// An EXIF-first 160 x 120 JPEG whose Photoshop segment (APP13, exiftool's IPTC keywords)
    /// claims 16 bytes fewer than it holds.
    Bytes JpegWithShortPhotoshopSegment();
    /// A 2,666 x 39 uncompressed RGB TIFF in 39 strips of a row, laid out again by exiftool (the
    /// directory and its arrays first, the pixels last), whose RowsPerStrip says `u32RowsPerStrip`.
    Bytes TiffOfRowStrips(std::uint32_t u32RowsPerStrip);
    /// Pillow's 52 x 53 RGBA TIFF, one strip after the directory, whose BitsPerSample holds one
    /// value for its four samples and whose strip claims 2 GiB.
    Bytes TiffWithStripPastItsPixels();
    /// Two GIFs by Pillow, each with a transparent colour: the first (100 x 100) without its
    /// trailer, then the second, whose image (150 x 150) overhangs the first's screen.
    Bytes GifRunningIntoASecondGif();

    std::string const& Error() const { return m_error; }

private:
    bool Run(std::string const& command);
    bool Tag(std::string const& file, CameraTags const& tags, bool bTiff);
    /// The path of a new tagged JPEG; empty when a tool failed.
    std::string JpegFile(CameraTags const& tags, bool bProgressive, int width, int height);
    std::string Next(char const* pszExtension);
    /// A new 20 x 20 JPEG into which exiftool copies `source`'s bytes as `pszTag`.
    Bytes SmallJpegWithTagFrom(char const* pszTag, Bytes const& source);

    std::string m_folder;
    std::string m_error;
    int m_iCount = 0;
};

Bytes ReadFile(std::string const& path);

/// Where the JPEG's first segment of `u8Marker` starts (its FF), up to its first scan (the scan's
/// header included); the JPEG's size when it has none.
std::size_t SegmentAt(Bytes const& jpeg, std::uint8_t u8Marker);
/// `tiff` (little-endian) with its first directory's entry of tag `u16Tag` rewritten as `entry`;
/// empty when it has none.
Bytes WithTiffEntry(Bytes tiff, std::uint16_t u16Tag, testsupport::TiffEntry const& entry);

/// Inserts a comment segment after the JPEG's APP segments so that the file's length is
/// `u32Remainder` modulo `u32Modulus` (the segment takes at least 4 bytes).
Bytes PadJpegTo(Bytes const& jpeg, std::uint32_t u32Modulus, std::uint32_t u32Remainder);
/// Lengthens the first APP0 segment by `u32Extra` zero bytes.
Bytes LengthenApp0(Bytes const& jpeg, std::uint32_t u32Extra);

/// A Fuji RAF container: its 160-byte header, `tiff` at 160, then `jpeg`; the header's first
/// section pair covers the TIFF.
Bytes MakeRaf(Bytes const& tiff, Bytes const& jpeg);
/// A CRW file: header, `u32Filler` bytes of 0x11, then end pattern `iPattern` (0, 1 or 2), and the
/// bytes to the file's end as the pattern implies (0x22).
Bytes MakeCrw(std::uint32_t u32Filler, int iPattern);
/// An MRW header, 64 bytes: leading block of `u32Lead` bytes starting with its PRD block (sensor
/// `u16Height` x `u16Width`, `u8Bits` per sample).
Bytes MakeMrw(std::uint32_t u32Lead, std::uint16_t u16Height, std::uint16_t u16Width, std::uint8_t u8Bits);
/// An X3F file: "FOVb", filler 0x33 up to `u32DirectoryAt`, "SECd", 72 bytes of 0x44.
Bytes MakeX3f(std::uint32_t u32DirectoryAt);

/// The photograph family of the carving corpus (corpus/CorpusFamilies.h): a camera JPEG named by
/// its model, the three files whose structure once cut them short: a GIF whose comment follows
/// its image, a 20 x 20 JPEG behind a 3,000-byte comment, a 300-page TIFF (exact, as its chain
/// of directories holds up to its end), and the pictures that break a rule readers let pass.
bool PhotoFamily(std::string const& folder, std::vector<corpustest::CarvedSample>& samples, std::string& error);

}  // namespace phototest
