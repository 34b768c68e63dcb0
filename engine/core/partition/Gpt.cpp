#include "engine/core/partition/Gpt.h"

#include <algorithm>

namespace partition {

namespace {
constexpr std::size_t kEntryUsedBytes = 48;  // GUIDs and LBAs; the rest is not read
}  // namespace

std::optional<GptHeader> ParseGptHeader(engine::ByteView sector) {
    if (!sector.Has(0, 88) || !sector.Equals(0, "EFI PART")) return std::nullopt;
    GptHeader header;
    header.u64EntryArrayLba = sector.Le64(72);
    header.u32EntryCount = std::min(sector.Le32(80), kGptMaxEntryCount);
    header.u32EntryBytes = sector.Le32(84);
    std::uint32_t const u32Bytes = header.u32EntryBytes;
    if (u32Bytes < kGptMinEntryBytes || u32Bytes > kGptMaxEntryBytes || (u32Bytes & (u32Bytes - 1)) != 0)
        return std::nullopt;
    return header;
}

std::vector<GptEntry> ParseGptEntries(engine::ByteView array, std::uint32_t u32Count, std::uint32_t u32EntryBytes) {
    std::vector<GptEntry> entries;
    if (u32EntryBytes < kEntryUsedBytes) return entries;
    for (std::size_t i = 0; i < std::min(u32Count, kGptMaxEntryCount); ++i) {
        engine::ByteView const entry = array.Sub(i * u32EntryBytes, u32EntryBytes);
        if (entry.Empty()) break;
        auto const typeBytes = entry.Span().subspan(0, 16);
        if (std::all_of(typeBytes.begin(), typeBytes.end(), [](std::uint8_t b) { return b == 0; })) continue;
        GptEntry parsed;
        parsed.u32Index = static_cast<std::uint32_t>(i + 1);
        std::copy_n(entry.Data(), 16, parsed.typeGuid);
        std::copy_n(entry.Data() + 16, 16, parsed.uniqueGuid);
        parsed.u64FirstLba = entry.Le64(32);
        parsed.u64LastLba = entry.Le64(40);
        entries.push_back(parsed);
    }
    return entries;
}

}  // namespace partition
