// A FAT copy as a table of links: the first input byte picks FAT16 or FAT32, the rest are the
// raw entries. The check must end in linear time whatever the links say, and a table it passes
// must give chains that end within the entry count.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/core/bytes/ByteView.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATTableCheck.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1) return 0;
    FileSystemType const eType = (pData[0] & 1) ? FILE_SYSTEM_FAT32 : FILE_SYSTEM_FAT16;
    engine::ByteView const raw(pData + 1, size - 1);
    (void)fat::CheckFATHeader(raw, eType);
    FileSystemType eFound = FILE_SYSTEM_UNRECOGNISED;
    (void)fat::IsValidFATTableFirstSector(raw, eFound);

    std::vector<std::uint32_t> entries(raw.Size() / fat::EntryWidth(eType));
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = fat::ReadEntry(raw, eType, i);
    CFATTable const table(eType, entries);
    if (!table.IsValidFATTable()) return 0;
    // A valid table has no loops: no walk meets a cluster it passed itself. A walk ends at a
    // cluster an earlier one covered, so the whole check stays linear.
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
    return 0;
}
