// TrueType fonts: 00 01 00 00 at 0, then (big-endian) u16 table count at 4 and, from 12, one
// 16-byte record per table: tag, checksum, offset, length (at 12). The tables follow the
// directory, each padded to four bytes, so the file's length is the directory's plus the sum of
// the padded lengths (in 64 bits: 31 tables of 4 GiB do not wrap). A database shares the
// first four bytes; at least half the tags must be ones fonts carry.
#include <algorithm>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kCountAt = 4;
constexpr std::uint16_t kMaxTables = 31;
constexpr std::size_t kRecordsAt = 12;
constexpr std::size_t kRecordBytes = 16;
constexpr std::size_t kLengthInRecord = 12;
constexpr std::string_view kKnownTags[] = {"DSIG", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name",
                                           "post", "OS/2", "cvt ", "EBDT", "EBLC", "EBSC", "fpgm", "gasp", "hdmx",
                                           "kern", "LTSH", "prep", "PCLT", "VDMX", "vhea", "vmtx"};

bool RecogniseTtf(engine::ByteView bytes, CRawFileInfo& info) {
    if (!bytes.Has(0, kRecordsAt) || !bytes.Equals(0, "\x00\x01\x00\x00"sv)) return false;
    std::uint16_t const u16Tables = bytes.Be16(kCountAt);
    if (u16Tables == 0 || u16Tables > kMaxTables || !bytes.Has(kRecordsAt, u16Tables * kRecordBytes)) return false;
    std::uint64_t u64Size = kRecordsAt + std::uint64_t{u16Tables} * kRecordBytes;
    unsigned known = 0;
    for (std::size_t i = 0; i < u16Tables; ++i) {
        std::size_t const record = kRecordsAt + i * kRecordBytes;
        known += std::any_of(std::begin(kKnownTags), std::end(kKnownTags),
                             [&](std::string_view t) { return bytes.Equals(record, t); })
                     ? 1
                     : 0;
        u64Size += (std::uint64_t{bytes.Be32(record + kLengthInRecord)} + 3) / 4 * 4;
    }
    if (2 * known < u16Tables) return false;
    info.m_u32Type = RAW_FILE_TYPE_TTF;
    info.m_u64Size = u64Size;
    return true;
}

constexpr RecognisedFormat kTtf = {RAW_FILE_TYPE_TTF, &RecogniseTtf, nullptr};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileTTFAnalyser() { return CreateRecognisedAnalyser(kTtf); }
