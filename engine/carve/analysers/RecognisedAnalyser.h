#pragma once
// The one analyser of every format that is a data row: a check of the bytes that may start a
// file and, for a file whose header does not state its length, the walk or search that sizes
// it. A format told by its first bytes gives a recogniser and a sizer here; KeyedAnalyser.h
// builds the rows of the formats a key identifies on the same analyser.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"

class CRawFileInfo;
class RawFileBuffer;

/// Whether the bytes that may start a file (never read beyond the view) start one; on
/// acceptance sets the record's type, and its size when the header states it.
using Recogniser = bool (*)(engine::ByteView bytes, CRawFileInfo& info);
/// The file's length from its first byte; none when it cannot be told. May refine the record's
/// type. `u32SectorSize` is the device's, asked anew for every file.
using RecognisedSizer = std::optional<std::uint64_t> (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize,
                                                         CRawFileInfo& info);

/// Like RecognisedSizer, for a format whose end is searched for forward: the size, or the walk
/// that finds it (which the scan feeds the blocks it reads).
using RecognisedWalkingSizer = Sizing (*)(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info);

struct RecognisedFormat {
    RAW_FILE_TYPE eOwnType;
    Recogniser recognise;
    RecognisedSizer sizer = nullptr;                // null: the recogniser sized the file from its header
    std::optional<RawLandmark> landmark = {};       // a byte the recogniser checks first
    RecognisedWalkingSizer walkingSizer = nullptr;  // used instead of the sizer when set
};

std::unique_ptr<IRawFileAnalyser> CreateRecognisedAnalyser(RecognisedFormat const& format);

/// The general row, of which both kinds above are made: its checks may carry the row's data
/// (a keyed row's keys and probe).
struct AnalyserRow {
    RAW_FILE_TYPE eOwnType;
    std::function<bool(engine::ByteView bytes, CRawFileInfo& info)> recognise;
    /// Sets the record's size (and may refine its type and name); false when the file cannot be
    /// sized. Empty: the recogniser sized the file from its header.
    std::function<bool(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info)> size;
    /// A byte without which `recognise` refuses before touching the record.
    std::optional<RawLandmark> landmark = {};
    /// Used instead of `size` when set: the size (set in the record by the row), or the walk
    /// that finds it; may refine the record's type and name first.
    std::function<Sizing(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info)> walkingSize = {};
};

std::unique_ptr<IRawFileAnalyser> CreateRowAnalyser(AnalyserRow row);
