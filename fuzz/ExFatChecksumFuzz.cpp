// The entry-set checksum over arbitrary sets: the first two bytes are the stored sum, the rest
// the set. It must stay inside the set whatever its length.
#include <cstddef>
#include <cstdint>

#include "engine/exfat/ondisk/ExFatDirEntry.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 2) return 0;
    auto const u16Stored = static_cast<std::uint16_t>(pData[0] | (pData[1] << 8));
    (void)exfat::CheckDirEntry(engine::ByteView(pData + 2, size - 2), u16Stored);
    return 0;
}
