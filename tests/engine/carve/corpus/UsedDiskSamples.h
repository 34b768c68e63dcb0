#pragma once
// Files made by real tools (ImageMagick, exiftool, Ghostscript, ffmpeg) whose end carving must
// find by their structure: on a used disk what follows a file is old data, not zeros. Each comes
// out exact. Also a family of small TIFFs among broken ones, for the bound on what a recovery writes.
#include <string>
#include <vector>

#include "CarvedSample.h"

namespace corpustest {

/// A Multi-Picture file of two JPEGs: the first carries an APP2 "MPF" index right after its SOI
/// (an MP header, one directory of one MP-entry tag, two 16-byte entries), the second follows it.
/// The index gives the second image `u32SecondExtra` bytes more than it has.
Bytes MultiPicture(Bytes const& first, Bytes const& second, std::uint32_t u32SecondExtra = 0);

/// Why the used-disk family cannot be made here; empty when it can.
std::string MissingUsedDiskTools();
/// Pictures (baseline, progressive, grey, EXIF-thumbnailed, IPTC-first and Multi-Picture JPEGs;
/// BMPs of three header kinds; small, larger, stripped and exiftool-padded TIFFs), documents
/// (PDF, one with an incremental update, one with a "%%EOF" in a stream, one without a final
/// line end; EPS), archives (ZIP from a pipe, ZIP64) and media (AVI, WAV, Matroska), each sized
/// Exact; and files whose size nothing bears out (a BMP declaring more than it holds, a TIFF and
/// an RW2 whose strip lies off the device, an EPS without its "%%EOF"), each sized ToNextFile.
bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

}  // namespace corpustest
