#pragma once
// Office documents and archives for the carving tests: real files written at test time by the
// tools that write them (LibreOffice, python3-docx, openpyxl, msibuild, gsf, Info-ZIP, 7-Zip,
// gzip, GNU tar, gcab, jlha) and, for the formats no Debian tool writes, files built here from
// their published layouts (RAR 1.5-4.x, StuffIt, a bzip2 disk image). One function per family,
// so that a corpus test can take them all.
#include <cstdint>
#include <string>
#include <vector>

#include "../analysers/PictureSamples.h"
#include "../corpus/CarvedSample.h"
#include "engine/carve/RawFileType.h"

namespace archivetest {

using corpustest::Bytes;
using corpustest::CarvedSample;
using corpustest::SizeRule;

/// Why a family's tools cannot run here, or empty when they can.
std::string MissingDocumentTools();
std::string MissingArchiveTools();

/// Compound documents and ZIP packages, one per type id and writer; false (with the failing
/// command in `error`) when a tool fails.
bool DocumentSamples(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);
/// ZIP archives, gzip, TAR, CAB, LZH, RAR, StuffIt and disk images.
bool ArchiveSamples(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error);

/// A RAR 1.5-4.x archive: marker, archive block, one file block per entry of `members` (its
/// data that many bytes), and the end-of-archive block when `bEndBlock`.
Bytes MakeRar(std::vector<std::uint32_t> const& members, bool bEndBlock);
/// A StuffIt 5 archive of `u32Bytes` bytes (its length at 84).
Bytes MakeSit(std::uint32_t u32Bytes);
/// A StuffIt X archive: "StuffIt!", `u32Payload` bytes without the end marker, the marker.
Bytes MakeSitx(std::uint32_t u32Payload);
/// A disk image: bzip2 output of `u32Data` bytes, padding to 512 bytes, a "koly" trailer.
Bytes MakeDmg(std::string const& folder, std::uint32_t u32Data);

using picturetest::ReadFile;
bool WriteFile(std::string const& path, Bytes const& bytes);

}  // namespace archivetest
