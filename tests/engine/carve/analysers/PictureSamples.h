#pragma once
// Picture files for the analyser tests: real ones made by ImageMagick and icoutils at test
// time, and small builders for the formats those tools do not write (PSP, EMF, WMF) and for
// the damaged variants the analysers must refuse.
#include <cstdint>
#include <string>
#include <vector>

#include "../corpus/CarvedSample.h"

namespace picturetest {

using Bytes = std::vector<std::uint8_t>;

/// The pictures the tools make, each with the extension a carved copy gets.
struct ToolSamples {
    Bytes png;       // 200 x 150 plasma: several windows of the reader long
    Bytes pngNoise;  // 300 x 300 noise: image data in many IDAT chunks
    Bytes gif89;     // with a comment extension before the image
    Bytes gif87;     // "gif87:", no extension
    Bytes bmp3;      // "BMP3:", 40-byte info header
    Bytes bmp;       // ImageMagick's default, 124-byte info header
    Bytes psdRle;    // run-length merged image
    Bytes psdRaw;    // "-compress none"
    Bytes ico;       // two sizes
    Bytes cur;       // icotool --cursor
    Bytes webp;      // a RIFF file none of the picture analysers claims
};

/// Why the tools cannot run here, or empty when they can.
std::string MissingTools();
/// Makes every sample in `folder`; false (with the failing command in `error`) when one fails.
bool MakeToolSamples(std::string const& folder, ToolSamples& samples, std::string& error);

Bytes ReadFile(std::string const& path);

/// A PSP file: signature, version 6.0, then one block per length, its bytes all `u8Fill`.
Bytes MakePsp(std::vector<std::uint32_t> const& blockLengths, std::uint8_t u8Fill = 0x11);
/// An EMF of `u32Bytes` bytes (at least 108): header record, then an EOF record.
Bytes MakeEmf(std::uint32_t u32Bytes);
/// A WMF of `u32Words` words after its header: a META_HEADER, records, META_EOF. With
/// `bPlaceable` a placeable header comes first, whose checksum is right when `bGoodChecksum`.
Bytes MakeWmf(std::uint32_t u32Words, bool bPlaceable, bool bGoodChecksum = true);
/// A 4 x 4 24-bit BMP whose info header claims `u32InfoSize` bytes.
Bytes MakeBmp(std::uint32_t u32InfoSize);
/// An icon directory of `u16Entries` entries of `u32ImageBytes` bytes each, images included.
Bytes MakeIcon(std::uint16_t u16Entries, std::uint32_t u32ImageBytes);
/// A GIF89a without a global colour table: header, one image, trailer.
Bytes MakeGifWithoutColourTable();
/// A PSD of 3 channels, `u32Rows` rows of 8-bit pixels, run-length, each row's count 2.
Bytes MakeRunLengthPsd(std::uint32_t u32Rows);

/// The picture family of the carving corpus (corpus/CorpusFamilies.h): the tool-made pictures
/// and the built PSP, EMF and WMF files, each carved byte-exact.
bool PictureFamily(std::string const& folder, std::vector<corpustest::CarvedSample>& samples, std::string& error);

}  // namespace picturetest
