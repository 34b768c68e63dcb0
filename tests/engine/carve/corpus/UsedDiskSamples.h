#pragma once
// Files made by real tools (ImageMagick, exiftool, Ghostscript, ffmpeg) whose end carving must
// find by their structure: on a used disk what follows a file is old data, not zeros. Each comes
// out exact. Also a family of small TIFFs among broken ones, for the bound on what a recovery writes.
// Written by the tests' own writer where no tool makes them: Panasonic raw files, a Fuji header,
// a Minolta raw file without its sensor data (PhotoSamples.h).
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
/// BMPs of three header kinds; small, larger, stripped, tiled, planar and Pillow's odd-length
/// TIFFs; an RW2 with its preview), documents (PDF, one with an incremental update, one with a
/// "%%EOF" in a stream, one without a final line end, two whose next revision follows their
/// "%%EOF" at once; EPS), archives (ZIP from a pipe, ZIP64, bzip2 and LZMA members) and media
/// (AVI, WAV, Matroska, MP4), each sized Exact (an exiftool-padded TIFF without its pad); and
/// files whose size nothing bears out (a BMP declaring more than it holds, a TIFF and two RW2s
/// whose strips lie off the device, an EPS without its "%%EOF", a RAF header without its
/// preview, an MRW without its sensor data, an MP4 and a MOV cut in their media data), each
/// sized ToNextFile.
bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

}  // namespace corpustest
