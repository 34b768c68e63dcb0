// SQLite databases (carved as FCPEVENT, the form Final Cut Pro event libraries take). Layout
// from the SQLite file format, big-endian:
//   0  16 "SQLite format 3" and a zero
//   16  2 page size (1: 65536);  24 4 file change counter;  28 4 database size in pages
//   92  4 the change counter the size in pages is valid for
//   a b-tree page starts with its kind: 2, 5, 10 or 13 (1, 4 and 8 are older kinds)
// The header's page count sizes the database when it is valid; otherwise the pages are walked.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/core/bytes/CheckedMath.h"

namespace {

constexpr std::uint64_t kHeaderBytes = 100;
constexpr std::uint64_t kWalkLimit = 0xD000000;
/// Pages that start with a zero (free or overflow pages) in a row that end the walk.
constexpr std::uint32_t kMaxZeroPages = 6;

bool IsPageKind(std::uint8_t u8Kind) {
    switch (u8Kind) {
        case 1:
        case 2:
        case 4:
        case 5:
        case 8:
        case 10:
        case 13:
            return true;
        default:
            return false;
    }
}

std::optional<std::uint64_t> SqliteSize(RawFileBuffer& reader, std::uint32_t) {
    engine::ByteView const header = reader.Read(0, kHeaderBytes);
    if (header.Empty()) return std::nullopt;
    std::uint64_t const u64PageBytes = header.Be16(16) == 1 ? 65536 : header.Be16(16);
    if (!engine::IsPowerOfTwoBetween(u64PageBytes, 512, 65536)) return std::nullopt;
    if (header.Be32(92) == header.Be32(24) && header.Be32(28) != 0) return header.Be32(28) * u64PageBytes;

    // Older writers leave the page count stale: walk the pages by their first byte.
    std::uint64_t u64Page = u64PageBytes;
    std::uint64_t u64ZeroRun = 0;  // where the pages starting with a zero began
    std::uint32_t u32Zeros = 0;
    while (u64Page < kWalkLimit) {
        std::uint8_t u8Kind = 0;
        if (!reader.ReadByte(u64Page, u8Kind)) break;
        if (u8Kind == 0) {
            if (u32Zeros++ == 0) u64ZeroRun = u64Page;
            if (u32Zeros == kMaxZeroPages) break;
        } else if (IsPageKind(u8Kind)) {
            u32Zeros = 0;
        } else {
            break;
        }
        u64Page += u64PageBytes;
    }
    return u32Zeros != 0 ? u64ZeroRun : u64Page;
}

constexpr std::string_view kKeys[] = {std::string_view("SQLite format 3\0", 16)};
constexpr KeyedFormat kSqlite = {RAW_FILE_TYPE_FCPEVENT, kKeys, &SqliteSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileFCPEVENTAnalyser() { return CreateKeyedAnalyser(kSqlite); }
