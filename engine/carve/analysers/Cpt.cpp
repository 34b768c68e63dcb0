// Corel Photo-Paint images (CPT, versions 7 to 9), little-endian:
//   0   4  "CPT7", "CPT8" or "CPT9";  4 4 "FILE"
//   40  4  N: entries of the object table;  52 4  O: the table's offset, always 316
//   the table at O: N entries of 8 bytes; the last one's u32 is L, where the last object's
//   header lies. At L + 60 (moved on by the u32 at L + 32 when that is repeated at L + 60) the
//   u32 A and, after it, B; when both are set, the 8 bytes before A hold the final block's
//   offset and length, whose sum is the file's end; otherwise the file ends at L.
// Offsets are summed in 64 bits; one that would lie before the file's start refuses the file.
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

constexpr std::size_t kCountAt = 40;
constexpr std::size_t kTableAt = 52;
constexpr std::uint32_t kTableOffset = 316;
constexpr std::uint64_t kEntryBytes = 8;
constexpr std::uint64_t kSkipAt = 32;
constexpr std::uint64_t kPairAt = 60;
constexpr std::uint64_t kFinalBlockBefore = 8;
constexpr std::string_view kKeys[] = {"CPT7FILE", "CPT8FILE", "CPT9FILE"};

bool RecogniseCpt(engine::ByteView bytes, CRawFileInfo& info) {
    if (!StartsWithAnyOf(bytes, kKeys) || !bytes.Has(kTableAt, 4) || bytes.Le32(kTableAt) != kTableOffset) return false;
    info.m_u32Type = RAW_FILE_TYPE_CPT;
    return true;
}

std::optional<std::uint32_t> U32At(RawFileBuffer& reader, std::uint64_t u64Offset) {
    engine::ByteView const bytes = reader.Read(u64Offset, 4);
    if (bytes.Empty()) return std::nullopt;
    return bytes.Le32(0);
}

std::optional<std::uint64_t> CptSize(RawFileBuffer& reader, std::uint32_t, CRawFileInfo&) {
    engine::ByteView const header = reader.Read(0, kTableAt + 4);
    if (header.Empty()) return std::nullopt;
    std::uint64_t const u64Count = header.Le32(kCountAt);
    std::uint64_t const u64Table = header.Le32(kTableAt);
    if (u64Count == 0) return std::nullopt;  // the last entry would lie before the table
    auto const last = U32At(reader, u64Table + kEntryBytes * u64Count - kEntryBytes);
    if (!last) return std::nullopt;
    std::uint64_t const u64Object = *last;
    std::uint64_t u64Pair = u64Object + kPairAt;
    auto const skip = U32At(reader, u64Object + kSkipAt);
    auto const repeated = U32At(reader, u64Pair);
    if (!skip || !repeated) return std::nullopt;
    if (*skip != 0 && *skip == *repeated) u64Pair += *skip;
    auto const a = U32At(reader, u64Pair);
    auto const b = U32At(reader, u64Pair + 4);
    if (!a || !b) return std::nullopt;
    if (*a == 0 || *b == 0) return u64Object != 0 ? std::optional<std::uint64_t>(u64Object) : std::nullopt;
    if (*a < kFinalBlockBefore) return std::nullopt;
    auto const offset = U32At(reader, *a - kFinalBlockBefore);
    auto const length = U32At(reader, *a - kFinalBlockBefore + 4);
    if (!offset || !length) return std::nullopt;
    std::uint64_t const u64End = std::uint64_t{*offset} + *length;
    if (u64End == 0) return std::nullopt;
    return u64End;
}

constexpr RecognisedFormat kCpt = {RAW_FILE_TYPE_CPT, &RecogniseCpt, &CptSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileCPTAnalyser() { return CreateRecognisedAnalyser(kCpt); }
