// One $LogFile page as the deep search meets it.
#include <cstdint>
#include <vector>

#include "engine/ntfs/ondisk/RCRDRecord.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const page(pData, size);
    (void)CRCRDRecord::IsValidRCRDRecordFirstSector(page);
    std::vector<std::uint8_t> copy(pData, pData + size);
    if (CRCRDRecord::Unfixup(copy) != CRCRDRecord::IsValid(page)) __builtin_trap();
    return 0;
}
