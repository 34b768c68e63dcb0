// The complete exFAT search over arbitrary sectors: every sector classified (boot sector, FAT
// start, up-case start, directory sectors joined across runs), then the partitions built and
// their trees handed over. The first input byte picks the block size, so that runs and entry
// sets cross block ends at every place; the rest is the disk. Nothing may read outside its
// buffer, hang, or grow without bound.
#include <cstddef>
#include <cstdint>

#include "FuzzedDiskSearch.h"
#include "engine/exfat/complete/ExFatCompleteSearch.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    CExFatCompleteSearch searcher;
    SearchFuzzedDisk(searcher, pData, size, 512, 16);
    return 0;
}
