// The complete NTFS search over arbitrary sectors: boot sectors, FILE records, INDX blocks,
// restart and record pages and $AttrDef contents proposing partitions, then scoring and tree
// building over whatever survives. The first input byte picks the block size, so that records
// and pages cross block ends at every place; the rest is the disk. Nothing may read outside
// its buffer, hang, or grow without bound.
#include <cstddef>
#include <cstdint>

#include "FuzzedDiskSearch.h"
#include "engine/ntfs/complete/NTFSCompleteSearch.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    CNTFSCompleteSearch searcher;
    SearchFuzzedDisk(searcher, pData, size, 512, 16);
    return 0;
}
