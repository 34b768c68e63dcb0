// HTML pages, found in list 0 (they have no fixed key):
//   8-bit text   "<HTML" or "<!DOCTYPE HTML" at 0, letters in any case; it ends with "</html>"
//                (letters in any case) and its line end, wherever that lies, when what follows
//                cannot continue the page: on a used disk old data follows, not zeros. Markup
//                continues it (the tag closed a page quoted within this one), and so does a
//                quote or an operator right after the tag (a script's string); blanks and
//                comments, or anything else, do not. Where that cannot decide, the tag counts
//                only in a sector ending in zeros, all-lower or all-upper case, and the size is
//                rounded up to whole sectors: the zero padding is harmless in a page.
//   UTF-16LE     FF FE, then "<" (3C 00); "<HTML" (">" or a blank after it) within its first
//                500 bytes; it ends one code unit after "</HTML>" (any case), or at a code unit
//                that no text holds: 0000, FFFF or a second byte-order mark FEFF.
#include <cctype>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

constexpr std::uint64_t kHtmlLimit = 0x100000;

bool RecogniseHtml(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, 5) || bytes.U8(0) != '<' ||
        !(StartsWithNoCase(bytes, "<HTML") || StartsWithNoCase(bytes, "<!DOCTYPE HTML")))
        return false;
    info.m_u32Type = RAW_FILE_TYPE_HTM;
    return true;
}

constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";
/// Right after the tag, these keep it within a script's string or expression.
constexpr std::string_view kQuoting = "'\"`\\);,+";

/// Whether the page goes on after "</html>" (`after` starts right after it).
bool HtmlGoesOn(engine::ByteView /*before*/, engine::ByteView after) {
    if (after.Empty()) return true;
    if (kQuoting.find(static_cast<char>(after.U8(0))) != std::string_view::npos) return true;
    std::size_t at = 0;
    // Blanks and comments tell nothing of their own; what comes after them does. Each pass
    // moves on by a byte at least: the loop ends.
    while (at < after.Size()) {
        engine::ByteView const rest = after.From(at);
        if (IsTextSpace(rest.U8(0))) {
            ++at;
        } else if (rest.Equals(0, kCommentOpen)) {
            std::optional<std::size_t> const close = FindBytes(rest.From(kCommentOpen.size()), kCommentClose);
            if (!close) return false;
            at += kCommentOpen.size() + *close + kCommentClose.size();
        } else if (rest.Equals(0, kCommentClose)) {
            return true;  // a comment that quoted the tag closes
        } else {
            // A closing tag or an element, but not a page of its own (an old one after this).
            if (rest.U8(0) != '<' || !rest.Has(1, 1)) return false;
            std::uint8_t const u8Next = rest.U8(1);
            if (u8Next == '/') return true;
            return std::isalpha(u8Next) != 0 && !StartsWithNoCase(rest, "<html");
        }
    }
    return false;
}

Sizing HtmlSize(RawFileBuffer&, std::uint32_t u32SectorSize, CRawFileInfo&) {
    return SearchEndMarker(u32SectorSize,
                           {.marker = "</html>",
                            .u64Limit = kHtmlLimit,
                            .bCaseFree = true,
                            .endsFile = "</html>",
                            .continues = &HtmlGoesOn},
                           [u32SectorSize](EndFound const& found) -> std::optional<std::uint64_t> {
                               if (found.u64End == 0) return std::nullopt;
                               if (found.bEndsFile) return found.u64End + found.u32LineEnd;
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

constexpr RecognisedFormat kHtml = {.eOwnType = RAW_FILE_TYPE_HTM,
                                    .recognise = &RecogniseHtml,
                                    .landmark = RawLandmark{0, '<'},
                                    .walkingSizer = &HtmlSize};
constexpr RecognisedFormat kUnicodeHtml = {RAW_FILE_TYPE_HTM, &RecogniseUnicodeHtml, &UnicodeHtmlSize,
                                           RawLandmark{0, 0xFF}};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileHTMAnalyser() { return CreateRecognisedAnalyser(kHtml); }
std::unique_ptr<IRawFileAnalyser> CreateFileUnicodeHTMAnalyser() { return CreateRecognisedAnalyser(kUnicodeHtml); }
