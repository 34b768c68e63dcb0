// Drawings whose files carry no length, or state it in their first chunk.
//   DXF   text with CR LF line ends: "  0\r\nSECTION\r\n  2\r\nHEADER\r\n" at 0; ends with
//         "EOF\r\n" (AutoCAD writes CR LF; the key needs them)
//   FH11  1C 01 00 00 02 00 04 1C 01 14 00 02 00 14 1C 01 at 0 and "11" at 34; ends 9 bytes
//         after "Decode" 00 FF FF FF FF
//   SVG   "<?xml version=\"" at 0 and an "<svg" element within the first 511 bytes; ends with
//         "\n</svg>" and a line end (the size runs one byte past an LF)
//   3DS   chunks of u16 id and u32 length (little-endian): the main chunk 4D4D at 0 spans the
//         file; a version chunk (0002, 10 bytes) at 6, the editor chunk 3D3D at 16 whose
//         length at 18 lies within the main chunk's
#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::uint64_t kEndSearchLimit = 0xD000000;
constexpr std::uint64_t kSvgLimit = 0x100000;

// DXF: exact marker; a zero-tailed sector whose last 8 bytes are zero and that holds no marker
// ends the text before it.
Sizing DxfSize(RawFileBuffer&, std::uint32_t u32SectorSize, KeyedFile&) {
    return SearchEndMarker(
        u32SectorSize, {.marker = "EOF\r\n", .u64Limit = kEndSearchLimit, .u32StopTail = 8, .endsFile = "\nEOF\r\n"},
        [](EndFound const& found) {
            return found.u64End != 0 ? std::optional<std::uint64_t>(found.u64End) : std::nullopt;
        });
}

constexpr std::string_view kDxfKeys[] = {"  0\r\nSECTION\r\n  2\r\nHEADER\r\n"};
constexpr KeyedFormat kDxf = {.eType = RAW_FILE_TYPE_DXF, .keys = kDxfKeys, .sizer = nullptr, .walkingSizer = &DxfSize};

constexpr std::string_view kFh11Magic = "\x1C\x01\x00\x00\x02\x00\x04\x1C\x01\x14\x00\x02\x00\x14\x1C\x01"sv;
constexpr std::size_t kFh11VersionAt = 34;
constexpr std::uint64_t kFh11AfterMarker = 9;
constexpr std::string_view kFh11End = "Decode\0\xFF\xFF\xFF\xFF"sv;

bool RecogniseFh11(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, kFh11Magic) || !bytes.Equals(kFh11VersionAt, "11")) return false;
    info.m_u32Type = RAW_FILE_TYPE_FH11;
    return true;
}

/// The size past a found marker's `u64After` trailing bytes; where the search stopped without one.
EndToSize EndAfter(std::uint64_t u64After) {
    return [u64After](EndFound const& found) -> std::optional<std::uint64_t> {
        if (found.u64End == 0) return std::nullopt;
        return found.bFound ? found.u64End + u64After : found.u64End;
    };
}

Sizing Fh11Size(RawFileBuffer&, std::uint32_t u32SectorSize, CRawFileInfo&) {
    return SearchEndMarker(u32SectorSize,
                           {.marker = kFh11End, .u64Limit = kEndSearchLimit, .u32StopTail = 8, .endsFile = kFh11End},
                           EndAfter(kFh11AfterMarker));
}

constexpr std::size_t kSvgLookAt = 511;
constexpr std::string_view kSvgElements[] = {"<svg ", "<svg\n", "<svg\r", "<svg\t", "<svg>"};
constexpr std::uint64_t kSvgAfterMarker = 2;  // a line end after "\n</svg>"
constexpr std::uint32_t kSvgStraddle = 16;

bool RecogniseSvg(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, "<?xml version=\"")) return false;
    engine::ByteView const head = bytes.Sub(0, std::min(bytes.Size(), kSvgLookAt));
    if (!std::any_of(std::begin(kSvgElements), std::end(kSvgElements),
                     [&](std::string_view e) { return FindBytes(head, e).has_value(); }))
        return false;
    info.m_u32Type = RAW_FILE_TYPE_SVG;
    return true;
}

Sizing SvgSize(RawFileBuffer&, std::uint32_t u32SectorSize, CRawFileInfo&) {
    return SearchEndMarker(
        u32SectorSize,
        {.marker = "\n</svg>", .u64Limit = kSvgLimit, .u32LookBack = kSvgStraddle, .endsFile = "\n</svg>"},
        EndAfter(kSvgAfterMarker));
}

constexpr std::uint16_t k3dsMain = 0x4D4D;
constexpr std::uint16_t k3dsEditor = 0x3D3D;

bool Recognise3ds(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, 22) || bytes.Le16(0) != k3dsMain || bytes.Le16(16) != k3dsEditor) return false;
    std::uint32_t const u32Length = bytes.Le32(2);
    if (u32Length == 0 || u32Length < bytes.Le32(18)) return false;
    info.m_u32Type = RAW_FILE_TYPE_3DS;
    info.m_u64Size = u32Length;
    return true;
}

constexpr RecognisedFormat kFh11 = {
    .eOwnType = RAW_FILE_TYPE_FH11, .recognise = &RecogniseFh11, .walkingSizer = &Fh11Size};
constexpr RecognisedFormat kSvg = {.eOwnType = RAW_FILE_TYPE_SVG, .recognise = &RecogniseSvg, .walkingSizer = &SvgSize};
constexpr RecognisedFormat k3ds = {RAW_FILE_TYPE_3DS, &Recognise3ds, nullptr, RawLandmark{0, k3dsMain & 0xFF}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileDXFAnalyser() { return CreateKeyedAnalyser(kDxf); }
std::unique_ptr<IRawFileAnalyser> CreateFileFH11Analyser() { return CreateRecognisedAnalyser(kFh11); }
std::unique_ptr<IRawFileAnalyser> CreateFileSVGAnalyser() { return CreateRecognisedAnalyser(kSvg); }
std::unique_ptr<IRawFileAnalyser> CreateFile3DSAnalyser() { return CreateRecognisedAnalyser(k3ds); }
