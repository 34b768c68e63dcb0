// HTML pages, found in list 0 (they have no fixed key):
//   8-bit text   "<HTML" or "<!DOCTYPE HTML" at 0, letters in any case; it ends with "</html>"
//                in all-lower or all-upper case. The size is rounded up to whole sectors: the
//                zero padding of the last sector is harmless in a page.
//   UTF-16LE     FF FE, then "<" (3C 00); "<HTML" (">" or a blank after it) within its first
//                500 bytes; it ends one code unit after "</HTML>" (any case), or at a code unit
//                that no text holds: 0000, FFFF or a second byte-order mark FEFF.
#include <cctype>
#include <optional>
#include <string_view>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"
#include "engine/ByteView.h"

namespace {

constexpr std::uint64_t kHtmlLimit = 0x100000;

bool RecogniseHtml(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, 5) || bytes.U8(0) != '<' || !(StartsWithNoCase(bytes, "<HTML") || StartsWithNoCase(bytes, "<!DOCTYPE HTML"))) return false;
    info.m_u32Type = RAW_FILE_TYPE_HTM;
    return true;
}

Sizing HtmlSize(RawFileBuffer&, std::uint32_t u32SectorSize, CRawFileInfo&) {
    return SearchEndMarker(u32SectorSize, {.marker = "</html>", .u64Limit = kHtmlLimit, .bCaseFree = true},
                           [u32SectorSize](EndFound const& found) -> std::optional<std::uint64_t> {
                               if (found.u64End == 0) return std::nullopt;
                               return (found.u64End + u32SectorSize - 1) / u32SectorSize * u32SectorSize;
                           });
}

// UTF-16LE text: byte offsets from the file's start, two bytes a code unit.
constexpr std::uint64_t kTextStart = 2;
constexpr std::uint64_t kTagWithin = 500;
constexpr std::uint64_t kScanFrom = 14;
constexpr std::uint32_t kUnitsAtOnce = 4096;

/// Whether the code units of `units` from `at` spell `text`, letters in any case.
bool Spells(engine::ByteView units, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!units.Has(at + 2 * i, 2)) return false;
        std::uint16_t const u16Unit = units.Le16(at + 2 * i);
        if (u16Unit > 0x7F || std::tolower(u16Unit) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

bool HasHtmlTag(engine::ByteView units, std::size_t at) {
    if (!Spells(units, at, "<HTML") || !units.Has(at + 10, 2)) return false;
    std::uint16_t const u16After = units.Le16(at + 10);
    return (u16After == '>' || u16After == ' ' || u16After == '\r' || u16After == '\n');
}

bool RecogniseUnicodeHtml(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Equals(0, std::string_view("\xFF\xFE<\0", 4))) return false;
    info.m_u32Type = RAW_FILE_TYPE_HTM;
    return true;
}

std::optional<std::uint64_t> UnicodeHtmlSize(RawFileBuffer& reader, std::uint32_t, CRawFileInfo&) {
    engine::ByteView const head = reader.ReadUpTo(0, kTagWithin + 12);
    if (head.Empty() || !(HasHtmlTag(head, kTextStart) || (head.Has(4, 2) && head.Le16(4) == '!'))) return std::nullopt;
    bool bTag = false;
    for (std::uint64_t u64At = kTextStart; u64At < kTagWithin && !bTag; u64At += 2) bTag = HasHtmlTag(head, u64At);
    if (!bTag) return std::nullopt;

    // Chunks overlap by the closing tag's length, so a tag across two chunks is seen whole.
    constexpr std::size_t kCloseBytes = 14;
    for (std::uint64_t u64Chunk = kScanFrom; u64Chunk <= kHtmlLimit; u64Chunk += kUnitsAtOnce * 2 - kCloseBytes) {
        engine::ByteView const units = reader.ReadUpTo(u64Chunk, kUnitsAtOnce * 2);
        if (units.Size() < 2) return u64Chunk;
        for (std::size_t i = 0; i + 1 < units.Size() && u64Chunk + i <= kHtmlLimit; i += 2) {
            std::uint16_t const u16Unit = units.Le16(i);
            if (u16Unit == 0x0000 || u16Unit == 0xFFFF || u16Unit == 0xFEFF) return u64Chunk + i;
            if (u16Unit == '<' && Spells(units, i, "</HTML>")) return u64Chunk + i + kCloseBytes + 2;
        }
        if (units.Size() < kUnitsAtOnce * 2) return u64Chunk + units.Size();
    }
    return kHtmlLimit + 2;
}

constexpr RecognisedFormat kHtml = {
    .eOwnType = RAW_FILE_TYPE_HTM, .recognise = &RecogniseHtml, .landmark = RawLandmark{0, '<'}, .walkingSizer = &HtmlSize};
constexpr RecognisedFormat kUnicodeHtml = {RAW_FILE_TYPE_HTM, &RecogniseUnicodeHtml, &UnicodeHtmlSize, RawLandmark{0, 0xFF}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileHTMAnalyser() { return CreateRecognisedAnalyser(kHtml); }
std::unique_ptr<IRawFileAnalyser> CreateFileUnicodeHTMAnalyser() { return CreateRecognisedAnalyser(kUnicodeHtml); }
