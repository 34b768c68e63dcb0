#pragma once
// Files made by real tools (ImageMagick, exiftool, Ghostscript, ffmpeg) whose end carving must
// find by their structure: on a used disk what follows a file is old data, not zeros. Each comes
// out exact. Also a family of small TIFFs among broken ones, for the bound on what a recovery writes.
#include <string>
#include <vector>

#include "CarvedSample.h"

namespace corpustest {

/// Why the used-disk family cannot be made here; empty when it can.
std::string MissingUsedDiskTools();
/// Pictures (baseline, progressive, grey, EXIF-thumbnailed, IPTC-first and Multi-Picture JPEGs;
/// BMPs of three header kinds; small and larger TIFFs), documents (PDF, one with an incremental
/// update, EPS) and media (AVI, WAV, Matroska), every one sized Exact.
bool UsedDiskFamily(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

}  // namespace corpustest
