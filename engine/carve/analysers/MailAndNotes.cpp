// Mail stores and notebooks that state their length in their header (little-endian):
//   PST  "!BDN" at 0; byte 10: 23 for Unicode (the file's end as a u64 at 184), 14 for ANSI
//        (a u32 at 168); another value: 1 MiB
//   DBX  Outlook Express: one of four 16-byte class identifiers at 0 (folders, messages,
//        offline and the folder list) or "JMF6" 03 00 01 00; u32 at 124: the file's length
//   ONE  OneNote: the identifier {7B5C52E4-D88C-4DA7-AEB1-5378D02996D3} at 0; u32 at 196: the
//        file's length when it is 1 to 1 GiB, else 3 MiB
// Any length, up to 2^64 - 1, is cut at the device's end by the search.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kPstKindAt = 10;
constexpr std::uint8_t kPstUnicode = 23;
constexpr std::uint8_t kPstAnsi = 14;
constexpr std::size_t kPstUnicodeEndAt = 184;
constexpr std::size_t kPstAnsiEndAt = 168;
constexpr std::uint64_t kPstUnknownSize = 0x100000;

/// The stated end; a kind that states none gets a guess, which the search cuts at the next file.
std::optional<KeyedFile> PstSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kPstUnicodeEndAt + 8);
    if (header.Empty()) return std::nullopt;
    KeyedFile file{kPstUnknownSize, RAW_FILE_TYPE_PST, {}};
    file.bGuessed = true;
    if (header.U8(kPstKindAt) == kPstUnicode || header.U8(kPstKindAt) == kPstAnsi) {
        file.u64Size =
            header.U8(kPstKindAt) == kPstUnicode ? header.Le64(kPstUnicodeEndAt) : header.Le32(kPstAnsiEndAt);
        file.bGuessed = false;
    }
    if (file.u64Size == 0) return std::nullopt;
    return file;
}

constexpr std::size_t kDbxLengthAt = 124;

std::optional<std::uint64_t> DbxSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kDbxLengthAt + 4);
    if (header.Empty() || header.Le32(kDbxLengthAt) == 0) return std::nullopt;
    return header.Le32(kDbxLengthAt);
}

constexpr std::size_t kOneLengthAt = 196;
constexpr std::uint32_t kOneMaxLength = 0x40000000;
constexpr std::uint64_t kOneUnknownSize = 0x300000;

std::optional<KeyedFile> OneSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kOneLengthAt + 4);
    if (header.Empty()) return std::nullopt;
    std::uint32_t const u32Length = header.Le32(kOneLengthAt);
    KeyedFile file{u32Length, RAW_FILE_TYPE_ONE, {}};
    if (u32Length < 1 || u32Length > kOneMaxLength) {
        file.u64Size = kOneUnknownSize;  // a guess, which the search cuts at the next file
        file.bGuessed = true;
    }
    return file;
}

constexpr std::string_view kPstKeys[] = {"!BDN"};
constexpr std::string_view kDbxKeys[] = {
    "\xCF\xAD\x12\xFE\xC5\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0"sv,
    "\xCF\xAD\x12\xFE\xC6\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0"sv,
    "\xCF\xAD\x12\xFE\xC7\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0"sv,
    "\xCF\xAD\x12\xFE\x30\x9D\xFE\x26\x8F\x1A\xD2\x11\xAA\xBF\x00\x60"sv,
    "JMF6\x03\x00\x01\x00"sv,
};
constexpr std::string_view kOneKeys[] = {"\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv};

constexpr KeyedFormat kPst = {RAW_FILE_TYPE_PST, kPstKeys, nullptr, nullptr, &PstSize};
constexpr KeyedFormat kDbx = {RAW_FILE_TYPE_DBX, kDbxKeys, &DbxSize};
constexpr KeyedFormat kOne = {RAW_FILE_TYPE_ONE, kOneKeys, nullptr, nullptr, &OneSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePSTAnalyser() { return CreateKeyedAnalyser(kPst); }
std::unique_ptr<IRawFileAnalyser> CreateFileDBXAnalyser() { return CreateKeyedAnalyser(kDbx); }
std::unique_ptr<IRawFileAnalyser> CreateFileONEAnalyser() { return CreateKeyedAnalyser(kOne); }
