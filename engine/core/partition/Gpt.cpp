#include "engine/core/partition/Gpt.h"

#include <algorithm>

namespace partition {

std::vector<GptEntry> ParseGptEntries(engine::ByteView array) {
    std::vector<GptEntry> entries;
    for (std::size_t i = 0; i < kGptEntryCount; ++i) {
        engine::ByteView const entry = array.Sub(i * kGptEntryBytes, kGptEntryBytes);
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
