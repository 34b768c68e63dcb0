#pragma once
// The analysers that need more than a key to accept a sector: a format is one row with the
// check of its first bytes and, for a file whose header does not state its length, the walk or
// search that sizes it. KeyedAnalyser.h serves the formats that a key alone identifies.
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/carve/RawFileType.h"
#include "engine/core/bytes/ByteView.h"

class CRawFileInfo;
class IRawFileAnalyser;
class RawFileBuffer;

/// Whether the bytes that may start a file (never read beyond the view) start one; on
/// acceptance sets the record's type, and its size when the header states it.
using Recogniser = bool (*)(engine::ByteView bytes, CRawFileInfo& info);
/// The file's length from its first byte; none when it cannot be told. May refine the record's
/// type. `u32SectorSize` is the device's, asked anew for every file.
using RecognisedSizer = std::optional<std::uint64_t> (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info);

struct RecognisedFormat {
    RAW_FILE_TYPE eOwnType;
    Recogniser recognise;
    RecognisedSizer sizer;  // null: the recogniser sized the file from its header
};

std::unique_ptr<IRawFileAnalyser> CreateRecognisedAnalyser(RecognisedFormat const& format);
