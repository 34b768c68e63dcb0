#pragma once
// The analysers that accept a sector on its key alone. Such a format is one row: its type, the
// byte strings any one of which starts a file, and the walk that sizes the file on the device.
// Adding one is a row and a factory:
//   constexpr std::string_view kPngKeys[] = {"\x89PNG\r\n\x1a\n"sv};
//   constexpr KeyedFormat kPng = {RAW_FILE_TYPE_PNG, kPngKeys, &PngSize};
//   std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser() { return CreateKeyedAnalyser(kPng); }
// A format told by a few bytes beyond its key (or elsewhere in the sector, without a key) adds a
// probe; one whose files have kinds or stored names gives a describer instead of the sizer.
// The rows run on the one row analyser of RecognisedAnalyser.h.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"

class RawFileBuffer;

/// The file's length from its first byte, read through `reader`; none when its structure breaks
/// the format's rules or cannot be read. `u32SectorSize` is that of the device being read, asked
/// anew for every file (the ring and the device may be sized in turn).
using KeyedSizer = std::optional<std::uint64_t> (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize);

/// A further check of the bytes that may start a file (as many as the caller could give).
using KeyedProbe = bool (*)(engine::ByteView bytes);

/// What a file tells beyond its length: a format whose files have kinds (a compound document
/// may be a DOC or an XLS) or names (a gzip stores one) gives them here.
struct KeyedFile {
    std::uint64_t u64Size = 0;
    RAW_FILE_TYPE eType = RAW_FILE_TYPE_GENERIC;
    std::string name;  // the carved file's name prefix as stored; empty for the default name
    /// The size is a guess the structure does not bear out past `u64Borne` bytes (the search
    /// then ends the file at the next file it found past them; CRawFileInfo::m_bSizeGuessed).
    bool bGuessed = false;
    std::uint64_t u64Borne = 0;
    bool bCutToBorne = false;  // CRawFileInfo::m_bCutToBorne
    /// An archive's: where the member headers its walk read start (CRawFileInfo::m_memberStarts).
    std::vector<std::uint64_t> memberStarts = {};
};
/// Like KeyedSizer, for such formats.
using KeyedDescriber = std::optional<KeyedFile> (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize);
/// Like KeyedDescriber, for a format whose end is searched for forward: the size, or the walk
/// that finds it (which the scan feeds the blocks it reads); its kind and name go to `file`
/// (whose type is the row's until then), its size is the answer's.
using KeyedWalkingSizer = Sizing (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize, KeyedFile& file);

struct KeyedFormat {
    RAW_FILE_TYPE eType;
    std::span<std::string_view const> keys;  // static data: the analyser keeps the view; empty: no key
    KeyedSizer sizer;
    KeyedProbe probe = nullptr;                // null: the key alone decides
    KeyedDescriber describe = nullptr;         // used instead of the sizer when set
    std::optional<RawLandmark> landmark = {};  // without a key: a byte the probe checks first
    KeyedWalkingSizer walkingSizer = nullptr;  // used instead of the sizer when set
};

/// An analyser that accepts a sector starting with any of the format's keys (any sector when it
/// has none) that its probe, if any, accepts too; it sets the type and leaves the size to the sizer.
std::unique_ptr<IRawFileAnalyser> CreateKeyedAnalyser(KeyedFormat const& format);

/// Whether `bytes` start with any of `keys`; analysers that check more than their key use it too.
bool StartsWithAnyOf(engine::ByteView bytes, std::span<std::string_view const> keys);
