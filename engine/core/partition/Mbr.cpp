#include "engine/core/partition/Mbr.h"

namespace partition {

namespace {

constexpr std::size_t kEntriesOffset = 446;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kSignatureOffset = 510;

bool HasSignature(engine::ByteView sector) {
    return sector.Has(0, kMbrSectorBytes) && sector.U8(kSignatureOffset) == 0x55 &&
           sector.U8(kSignatureOffset + 1) == 0xAA;
}

CPartitionTableEntry ParseEntry(engine::ByteView entry) {
    CPartitionTableEntry parsed;
    parsed.u8BootIndicator = entry.U8(0);
    parsed.u8Type = entry.U8(4);
    parsed.u32LeadSectors = entry.Le32(8);
    parsed.u32TotalSectors = entry.Le32(12);
    for (std::size_t i = 0; i < kEntryBytes; ++i) parsed.bAllZero = parsed.bAllZero && entry.U8(i) == 0;
    return parsed;
}

}  // namespace

std::optional<MbrSector> ParseMbrSector(engine::ByteView sector) {
    if (!HasSignature(sector)) return std::nullopt;
    MbrSector parsed;
    for (std::size_t i = 0; i < parsed.entries.size(); ++i) {
        parsed.entries[i] = ParseEntry(sector.Sub(kEntriesOffset + i * kEntryBytes, kEntryBytes));
        std::uint8_t const u8Boot = parsed.entries[i].u8BootIndicator;
        if (u8Boot != 0x00 && u8Boot != 0x80) parsed.bBootIndicatorsValid = false;
    }
    return parsed;
}

bool HasEntryOfType(engine::ByteView sector, std::uint8_t u8Type) {
    if (!sector.Has(0, kMbrSectorBytes)) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (sector.U8(kEntriesOffset + i * kEntryBytes + 4) == u8Type) return true;
    return false;
}

bool IsProtectiveMbr(engine::ByteView sector) {
    return HasSignature(sector) && sector.U8(kEntriesOffset + 4) == kMbrTypeGptProtective;
}

}  // namespace partition
