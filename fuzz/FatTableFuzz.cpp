// A FAT copy as a table of links: the first input byte picks the width (bit 0 set: FAT32; else
// bit 1 set: FAT12; else FAT16), the rest are the raw entries. The check must end in linear time whatever the links say, and a table it passes,
// or one whose loops were cut after it failed, must give chains that end within the entry count.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATTableCheck.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1) return 0;
    FileSystemType const eType = (pData[0] & 1)   ? FILE_SYSTEM_FAT32
                                 : (pData[0] & 2) ? FILE_SYSTEM_FAT12
                                                  : FILE_SYSTEM_FAT16;
    engine::ByteView const raw(pData + 1, size - 1);
    (void)fat::CheckFATHeader(raw, eType);
    FileSystemType eFound = FILE_SYSTEM_UNRECOGNISED;
    (void)fat::IsValidFATTableFirstSector(raw, eFound);

    std::vector<std::uint32_t> entries(static_cast<std::size_t>(fat::EntriesIn(raw.Size(), eType)));
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = fat::ReadEntry(raw, eType, i);
    CFATTable table(eType, entries);
    table.GuardChains();
    if (!table.HasSoundHeader()) return 0;
    // A valid or guarded table has no loops: no walk meets a cluster it passed itself. A walk
    // ends at a cluster an earlier one covered, so the whole check stays linear.
    auto const u32Count = table.GetEntryCount();
    std::vector<std::uint32_t> walkOf(u32Count, 0);
    for (std::uint32_t start = 2; start < u32Count; ++start) {
        if (walkOf[start] != 0) continue;
        for (std::uint32_t cur = start; cur >= 2 && cur < u32Count; cur = table.GetNextCluster(cur)) {
            if (walkOf[cur] == start) std::abort();
            if (walkOf[cur] != 0) break;
            walkOf[cur] = start;
        }
    }
    // Free stretches lie inside the table, hold free entries only and come in cluster order.
    for (IFATTable::FreeClusters free = table.NextFreeClusters(0); free.u32Count != 0;
         free = table.NextFreeClusters(free.u32First + free.u32Count)) {
        if (free.u32First < 2 || free.u32First + free.u32Count > u32Count) std::abort();
        for (std::uint32_t c = free.u32First; c < free.u32First + free.u32Count; ++c)
            if (table.GetNextCluster(c) != 0) std::abort();
    }
    return 0;
}
