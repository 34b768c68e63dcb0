// The exFAT boot-sector test and the folder reader over arbitrary bytes: the first 512 bytes as a
// boot sector, the rest as folder clusters cut at a size the input picks. Neither may read
// outside its buffer, and every set it completes must keep its name within bounds.
#include <cstddef>
#include <cstdint>

#include "engine/exfat/EFDTAnalyze.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const input(pData, size);
    CExFatDBR const boot(input.Sub(0, CExFatDBR::kSize));
    for (std::uint32_t u32SectorSize : {512u, 4096u}) (void)boot.IsValid(u32SectorSize);
    if (size < 2) return 0;

    CEFDTAnalyze analyzer;
    analyzer.PrepareAnayze(9, 9 + (pData[0] & 7), std::uint64_t{1} << (pData[1] & 63));
    std::size_t const clusterBytes = std::size_t{32} << (pData[0] >> 5);
    engine::ByteView const folder = input.From(2);
    for (std::size_t offset = 0; offset < folder.Size(); offset += clusterBytes) {
        std::size_t const length = folder.Size() - offset < clusterBytes ? folder.Size() - offset : clusterBytes;
        if (!analyzer.Analyze(folder.Sub(offset, length), offset / 512)) break;
    }
    for (_tagFileBaseInfo const& info : analyzer.GetFiles())
        if (info.strName.size() > _tagFileBaseInfo::kMaxNameBytes) __builtin_trap();
    return 0;
}
