#include "engine/core/partition/Apm.h"

#include <algorithm>

namespace partition {

namespace {
constexpr std::size_t kMapEntryBytes = 80;
constexpr std::size_t kTypeOffset = 48;
}  // namespace

std::optional<ApmDriverDescriptor> ParseApmDriverDescriptor(engine::ByteView sector) {
    if (!sector.Equals(0, "ER") || !sector.Has(2, 2)) return std::nullopt;
    return ApmDriverDescriptor{sector.Be16(2)};
}

std::optional<ApmMapEntry> ParseApmMapEntry(engine::ByteView sector) {
    if (!sector.Has(0, kMapEntryBytes) || !(sector.Equals(0, "PM") || sector.Equals(0, "TS"))) return std::nullopt;
    ApmMapEntry entry;
    entry.u32MapEntries = sector.Be32(4);
    entry.u32StartBlock = sector.Be32(8);
    entry.u32BlockCount = sector.Be32(12);
    std::copy_n(sector.Data() + kTypeOffset, sizeof(entry.szType), entry.szType);
    // The stored name may fill all 32 bytes; the record's text always ends.
    entry.szType[sizeof(entry.szType) - 1] = '\0';
    return entry;
}

}  // namespace partition
