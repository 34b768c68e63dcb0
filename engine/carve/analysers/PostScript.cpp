// Adobe's page formats.
//   PDF   "%PDF-" at 0; ends with "%%EOF" and a line end. An Illustrator file saved as PDF
//         carries "%!PS-Adobe" followed by "Adobe Illustrator" within its first 1,024 bytes:
//         type AI, and its trailer lies after that text. The trailer is searched from 1,024
//         bytes on (or from the Illustrator text) in the sectors whose last four bytes are zero;
//         a linearised file's first "%%EOF" lies mid-file in a sector that does not end in zeros
//         (or in its first kilobyte, followed by more of the file). Such a sector's last "%%EOF"
//         ends the file, an incremental update's, with the line end actually there (CR LF, LF,
//         CR or none). Wherever it lies, a "%%EOF" whose line end is followed by anything but an
//         incremental update (an object, "xref", "trailer", "startxref") ends the file there:
//         what follows on a used disk is old data, not zeros. Comment lines before an update
//         (exiftool's "%BeginExifToolUpdate") are passed over; a "%" followed by anything else, or
//         by another document's "%PDF-", is no update. Appending writers put
//         the next revision (an object, "xref", "trailer", "%PDF-") straight after an "%%EOF"
//         with no line end: that goes on too. Before 1,024 a "%%EOF"
//         ends a small file so, or when zeros fill the rest of its sector after its line end.
//   EPS   binary: C5 D0 D3 C6, then u32 pairs (offset, length) of the PostScript at 4, a WMF
//         preview at 12 and a TIFF preview at 20, and a checksum (FFFF: none) at 28; the file
//         ends with the furthest of its sections.
//         text: "%!PS-Adobe" at 0; Illustrator's (its creator comment names it) ends with
//         "%AI9_PrivateDataEnd" and a line end, as its private data follows the PostScript's
//         "%%EOF"; any other ends with the "%%EOF" and line end that close its comments, so it is
//         not carved to the search's limit.
#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

constexpr std::string_view kPostScript = "%!PS-Adobe";

constexpr std::uint64_t kPdfSearchFrom = 1024;
constexpr std::uint64_t kPdfLimit = 0xD000000;
constexpr std::uint32_t kPdfStraddle = 1;  // the least: the marker, a line end and the zero tail
constexpr std::uint32_t kPdfZeroTail = 4;
constexpr std::string_view kIllustrator = "Adobe Illustrator";
constexpr std::size_t kCreatorWithin = 4096;  // Illustrator names itself in its first comments

bool RecognisePdf(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, "%PDF-")) return false;
    info.m_u32Type = RAW_FILE_TYPE_PDF;
    return true;
}

/// Where "%!PS-Adobe" followed by "Adobe Illustrator" (before a zero byte) starts within the
/// first 1,024 bytes; none for a plain PDF.
std::optional<std::uint64_t> IllustratorText(engine::ByteView head) {
    for (std::size_t at = 0; at < kPdfSearchFrom; ++at) {
        if (!head.Equals(at, kPostScript)) continue;
        engine::ByteView const rest = head.Sub(at, std::min(head.Size() - at, kCreatorWithin));
        auto const zero = std::find(rest.Data(), rest.Data() + rest.Size(), std::uint8_t{0});
        if (FindBytes(rest.Sub(0, static_cast<std::size_t>(zero - rest.Data())), kIllustrator)) return at;
    }
    return std::nullopt;
}

/// The line end right after `u64Offset`: CR LF, LF or CR; none.
std::uint64_t LineEndAt(RawFileBuffer& reader, std::uint64_t u64Offset) {
    return LineEndIn(reader.ReadUpTo(u64Offset, 2));
}

/// A trailer's end: past its line end when found, else where the search stopped.
std::optional<std::uint64_t> TrailerEnd(EndFound const& found) {
    if (found.u64End == 0) return std::nullopt;
    return found.bFound ? found.u64End + found.u32LineEnd : found.u64End;
}

constexpr std::string_view kPdfEnd = "%%EOF";
constexpr std::string_view kPdfUpdates[] = {"xref", "trailer", "startxref"};

/// The digits at `at`, and the byte after them; none without a digit.
std::optional<std::size_t> AfterDigits(engine::ByteView bytes, std::size_t at) {
    std::size_t end = at;
    while (end < bytes.Size() && bytes.U8(end) >= '0' && bytes.U8(end) <= '9') ++end;
    return end > at ? std::optional<std::size_t>(end) : std::nullopt;
}

/// Whether `bytes` start with an object's header, "N G obj".
bool StartsWithObject(engine::ByteView bytes) {
    std::optional<std::size_t> const number = AfterDigits(bytes, 0);
    if (!number || !bytes.Has(*number, 1) || !IsTextSpace(bytes.U8(*number))) return false;
    std::size_t generation = *number;
    while (generation < bytes.Size() && IsTextSpace(bytes.U8(generation))) ++generation;
    std::optional<std::size_t> const obj = AfterDigits(bytes, generation);
    if (!obj) return false;
    std::size_t keyword = *obj;
    while (keyword < bytes.Size() && IsTextSpace(bytes.U8(keyword))) ++keyword;
    return bytes.Equals(keyword, "obj");
}

constexpr std::string_view kStartXref = "startxref";

/// The offset a trailer's "startxref" line gives when `before` (the bytes up to an "%%EOF")
/// ends with it: "startxref", blanks, the digits and a line end.
std::optional<std::uint64_t> StartXrefBefore(engine::ByteView before) {
    std::size_t end = before.Size();
    std::size_t const lineEnd = end;
    while (end > 0 && IsTextSpace(before.U8(end - 1))) --end;
    if (end == lineEnd) return std::nullopt;  // the marker does not start its line
    std::size_t digits = end;
    while (digits > 0 && before.U8(digits - 1) >= '0' && before.U8(digits - 1) <= '9') --digits;
    if (digits == end || end - digits > 19) return std::nullopt;
    std::size_t keyword = digits;
    while (keyword > 0 && IsTextSpace(before.U8(keyword - 1))) --keyword;
    if (keyword == digits || keyword < kStartXref.size() || !before.Equals(keyword - kStartXref.size(), kStartXref))
        return std::nullopt;
    std::uint64_t u64Offset = 0;
    for (std::size_t i = digits; i < end; ++i) u64Offset = u64Offset * 10 + (before.U8(i) - '0');
    return u64Offset;
}

/// Whether `bytes` start what an appending writer puts straight after an "%%EOF" without a line
/// end: the next revision's object, cross-reference section or trailer, or a whole new header.
bool StartsRevision(engine::ByteView bytes) {
    return bytes.Equals(0, "xref") || bytes.Equals(0, "trailer") || bytes.Equals(0, "%PDF-") || StartsWithObject(bytes);
}

/// Whether the document goes on after an "%%EOF" (`after` starts right after it, `before` ends
/// where it starts). Without a line end after it, it does (the marker lies within a line:
/// PostScript code quoting it) unless it closes a trailer's "startxref" line: then the data
/// stopped right after it, or the next revision follows at once. With one, it goes on when an
/// incremental update ("N G obj", "xref", "trailer", "startxref") or "endstream" follows (the
/// marker was a stream's data, an embedded document's), after comment lines if any (not a new
/// document's header, and ending within the bytes given). Bytes that are only blanks
/// tell nothing, and count as going on: the zero-tailed rule decides then.
bool PdfGoesOn(engine::ByteView before, engine::ByteView after) {
    std::size_t at = LineEndIn(after);
    if (at == 0) return !StartXrefBefore(before) || StartsRevision(after);
    while (at < after.Size() && IsTextSpace(after.U8(at))) ++at;
    if (at == after.Size()) return true;
    // Each comment line moves on by its "%" at least: the loop ends.
    while (at < after.Size() && after.U8(at) == '%') {
        if (after.Equals(at, "%PDF-")) return false;
        while (at < after.Size() && after.U8(at) != '\r' && after.U8(at) != '\n') ++at;
        if (at == after.Size()) return false;
        while (at < after.Size() && IsTextSpace(after.U8(at))) ++at;
    }
    if (at == after.Size()) return false;
    engine::ByteView const rest = after.From(at);
    for (std::string_view const update : kPdfUpdates)
        if (rest.Equals(0, update)) return true;
    return rest.Equals(0, "endstream") || StartsWithObject(rest);
}

/// Whether the trailer closed by the "%%EOF" at `u64Marker` points back to a cross-reference
/// section or stream of the document: the document's own structure reaches its end.
bool PdfTrailerBearsOut(IWalkSource& source, std::uint64_t u64Marker) {
    std::uint64_t const u64Before = u64Marker - std::min<std::uint64_t>(u64Marker, kPeekBytes);
    engine::ByteView const before = source.Read(u64Before, static_cast<std::uint32_t>(u64Marker - u64Before));
    std::optional<std::uint64_t> const xref = before.Empty() ? std::nullopt : StartXrefBefore(before);
    if (!xref || *xref == 0 || *xref >= u64Before) return false;
    engine::ByteView const section = source.Read(*xref, 32);
    return !section.Empty() && (section.Equals(0, "xref") || StartsWithObject(section));
}

/// Whether nothing but zeros follows `u64End` to the end of its sector (the device's end counts).
bool ZerosToSectorEnd(RawFileBuffer& reader, std::uint64_t u64End, std::uint32_t u32SectorSize) {
    std::uint64_t const u64SectorEnd = (u64End / u32SectorSize + 1) * u32SectorSize;
    engine::ByteView const rest = reader.ReadUpTo(u64End, static_cast<std::uint32_t>(u64SectorEnd - u64End));
    for (std::size_t i = 0; i < rest.Size(); ++i)
        if (rest.U8(i) != 0) return false;
    return true;
}

/// The end of a PDF whose "%%EOF" starts before `u64Before` and is followed, after its line end,
/// by zeros alone to its sector's end: a small file that ends there.
std::optional<std::uint64_t> SmallPdfEnd(RawFileBuffer& reader, std::uint32_t u32SectorSize, std::uint64_t u64Before) {
    std::uint64_t u64At = 0;
    // Each pass moves past a marker found before the bound: the loop ends.
    while (u64At < u64Before) {
        engine::ByteView const head = reader.ReadUpTo(0, static_cast<std::uint32_t>(u64Before + kPdfEnd.size()));
        if (head.Size() <= u64At) return std::nullopt;
        auto const found = FindBytes(head.Sub(u64At, head.Size() - u64At), kPdfEnd);
        if (!found || u64At + *found >= u64Before) return std::nullopt;
        std::size_t const start = static_cast<std::size_t>(u64At + *found);
        std::size_t const lineStart = start - std::min<std::size_t>(start, kPeekBytes);
        // Copied: the reads below move the reader's window.
        std::vector<std::uint8_t> const before(head.Data() + lineStart, head.Data() + start);
        std::uint64_t const u64Marker = start + kPdfEnd.size();
        std::uint64_t const u64End = u64Marker + LineEndAt(reader, u64Marker);
        if (ZerosToSectorEnd(reader, u64End, u32SectorSize) ||
            !PdfGoesOn(engine::ByteView(before.data(), before.size()), reader.ReadUpTo(u64Marker, kPeekBytes)))
            return u64End;
        u64At += *found + 1;
    }
    return std::nullopt;
}

Sizing PdfSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
    engine::ByteView const head = reader.ReadUpTo(0, reader.GetWindowSize());
    if (head.Empty()) return {};
    std::uint64_t u64From = kPdfSearchFrom;
    if (auto const at = IllustratorText(head)) {
        info.m_u32Type = RAW_FILE_TYPE_AI;
        u64From = *at;
    }
    if (auto const end = SmallPdfEnd(reader, u32SectorSize, u64From)) return {end, nullptr};
    return SearchEndMarker(u32SectorSize,
                           {.marker = kPdfEnd,
                            .u64Limit = kPdfLimit,
                            .u32ZeroTail = kPdfZeroTail,
                            .u32LookBack = kPdfStraddle,
                            .u64From = u64From,
                            .bLastInSector = true,
                            .endsFile = kPdfEnd,
                            .continues = &PdfGoesOn,
                            .bearsOut = &PdfTrailerBearsOut},
                           &TrailerEnd);
}

// Binary EPS header.
constexpr std::size_t kEpsHeaderBytes = 30;
constexpr std::size_t kSectionsAt[] = {4, 12, 20};  // PostScript, WMF, TIFF: u32 offset, u32 length

bool RecogniseEps(engine::ByteView bytes, CRawFileInfo& info) {
    if (bytes.Equals(0, kPostScript)) {
        info.m_u32Type = RAW_FILE_TYPE_EPS;
        return true;
    }
    if (!bytes.Has(0, kEpsHeaderBytes) || !bytes.Equals(0, "\xC5\xD0\xD3\xC6")) return false;
    std::uint64_t u64End = 0;
    for (std::size_t const at : kSectionsAt)
        if (bytes.Le32(at + 4) != 0) u64End = std::max(u64End, std::uint64_t{bytes.Le32(at)} + bytes.Le32(at + 4));
    // The PostScript section is the file's reason to be; it follows the header.
    if (bytes.Le32(4) < kEpsHeaderBytes || bytes.Le32(8) == 0) return false;
    info.m_u32Type = RAW_FILE_TYPE_EPS;
    info.m_u64Size = u64End;
    return true;
}

constexpr std::uint64_t kEpsLimit = 0x3400000;
constexpr std::string_view kIllustratorEnd = "%AI9_PrivateDataEnd";
constexpr std::uint32_t kEpsZeroTail = 4;
constexpr std::uint32_t kCreatorBytes = 1024;

Sizing EpsSize(RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
    if (info.m_u64Size != 0) return {info.m_u64Size, nullptr};  // binary: sized by its header
    engine::ByteView const head = reader.ReadUpTo(0, kCreatorBytes);
    if (head.Empty()) return {};
    bool const bIllustrator = FindBytes(head, kIllustrator).has_value();
    return SearchEndMarker(u32SectorSize,
                           {.marker = bIllustrator ? kIllustratorEnd : kPdfEnd,
                            .u64Limit = kEpsLimit,
                            .u32ZeroTail = kEpsZeroTail,
                            .u32LookBack = kPdfStraddle,
                            .endsFile = bIllustrator ? kIllustratorEnd : kPdfEnd,
                            .continues = &PdfGoesOn},
                           &TrailerEnd);
}

constexpr RecognisedFormat kPdf = {.eOwnType = RAW_FILE_TYPE_PDF, .recognise = &RecognisePdf, .walkingSizer = &PdfSize};
constexpr RecognisedFormat kEps = {.eOwnType = RAW_FILE_TYPE_EPS, .recognise = &RecogniseEps, .walkingSizer = &EpsSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePDFAnalyser() { return CreateRecognisedAnalyser(kPdf); }
std::unique_ptr<IRawFileAnalyser> CreateFileEPSAnalyser() { return CreateRecognisedAnalyser(kEps); }
