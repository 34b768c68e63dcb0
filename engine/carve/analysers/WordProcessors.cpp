// Word-processor documents.
//   RTF     "{\rtf" at 0; the file is one group: it ends with the brace that closes the group
//           opened at 0. A backslash makes the next byte literal ("\{", "\}", "\\"), so escaped
//           braces in the text do not count. A zero byte inside the group ends a file cut short.
//   Word 2  DB A5 2D 00 or 94 A6 2E 00 at 0 (Word for Windows 2 and its Macintosh sibling);
//           the text's end (u32 at 292, from the file's start) plus the tables' length (u16 at
//           296), rounded up to 512-byte pages
//   WPD     FF "WPC" at 0; product and file type at 8-11, version and flags at 14-17 tell a
//           document (WPD), a graphic (WPG) or a slide show (SHW); u32 at 20: the file's length
#include <algorithm>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::uint64_t kRtfFirstExamined = 6;
constexpr std::uint64_t kRtfLimit = 0xD000000;

/// Walks the group nesting; the depth counts 64-bit so a flood of opening braces cannot wrap.
std::optional<std::uint64_t> RtfSize(RawFileBuffer& reader, std::uint32_t) {
    std::uint64_t u64Depth = 1;
    bool bEscaped = false;
    std::uint64_t u64At = kRtfFirstExamined;
    // Every chunk moves on by its length and the offset is capped: the walk ends.
    while (u64At <= kRtfLimit) {
        engine::ByteView const chunk = reader.ReadUpTo(u64At, reader.GetWindowSize());
        if (chunk.Empty()) return u64At;
        for (std::size_t i = 0; i < chunk.Size(); ++i) {
            std::uint8_t const u8Byte = chunk.U8(i);
            if (u8Byte == 0) return u64At + i;
            if (bEscaped) {
                bEscaped = false;
            } else if (u8Byte == '\\') {
                bEscaped = true;
            } else if (u8Byte == '{') {
                ++u64Depth;
            } else if (u8Byte == '}' && --u64Depth == 0) {
                return u64At + i + 1;
            }
        }
        u64At += chunk.Size();
    }
    return u64At;
}

constexpr std::string_view kRtfKeys[] = {"{\\rtf"};
constexpr KeyedFormat kRtf = {RAW_FILE_TYPE_RTF, kRtfKeys, &RtfSize};

constexpr std::size_t kWord2TextEndAt = 292;
constexpr std::size_t kWord2TablesAt = 296;
constexpr std::uint64_t kWord2Page = 512;

std::optional<std::uint64_t> Word2Size(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kWord2TablesAt + 2);
    if (header.Empty()) return std::nullopt;
    std::uint64_t const u64Bytes = std::uint64_t{header.Le32(kWord2TextEndAt)} + header.Le16(kWord2TablesAt);
    if (u64Bytes == 0) return std::nullopt;
    return (u64Bytes + kWord2Page - 1) / kWord2Page * kWord2Page;
}

constexpr std::string_view kWord2Keys[] = {"\xDB\xA5\x2D\x00"sv, "\x94\xA6\x2E\x00"sv};
constexpr KeyedFormat kWord2 = {RAW_FILE_TYPE_DOC, kWord2Keys, &Word2Size};

struct WordPerfectRow {
    std::string_view product;  // bytes 8-11
    std::string_view version;  // bytes 14-17
    RAW_FILE_TYPE eType;
};
constexpr WordPerfectRow kWordPerfect[] = {
    {"\x01\x0A\x02\x01"sv, "\x00\x02\x05\x00"sv, RAW_FILE_TYPE_WPD},
    {"\x01\x16\x02\x00"sv, "\x00\x00\x03\x00"sv, RAW_FILE_TYPE_WPG},
    {"\x0F\x0F\x01\x00"sv, "\x00\x00\x03\x00"sv, RAW_FILE_TYPE_SHW},
};
constexpr std::size_t kWpdLengthAt = 20;

bool RecogniseWordPerfect(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, kWpdLengthAt + 4) || !bytes.Equals(0, "\xFFWPC")) return false;
    auto const row = std::find_if(std::begin(kWordPerfect), std::end(kWordPerfect), [&](WordPerfectRow const& r) {
        return bytes.Equals(8, r.product) && bytes.Equals(14, r.version);
    });
    if (row == std::end(kWordPerfect) || bytes.Le32(kWpdLengthAt) == 0) return false;
    info.m_u32Type = row->eType;
    info.m_u64Size = bytes.Le32(kWpdLengthAt);
    return true;
}

constexpr RecognisedFormat kWpd = {RAW_FILE_TYPE_WPD, &RecogniseWordPerfect, nullptr};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileRTFAnalyser() { return CreateKeyedAnalyser(kRtf); }
std::unique_ptr<IRawFileAnalyser> CreateFileLowDocAnalyser() { return CreateKeyedAnalyser(kWord2); }
std::unique_ptr<IRawFileAnalyser> CreateFileWPDAnalyser() { return CreateRecognisedAnalyser(kWpd); }
