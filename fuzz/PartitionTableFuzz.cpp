// Partition-table analysis over a fuzzed disk: the first input byte picks 512 or 4096-byte
// sectors and the rest are the disk's first sectors. Loops, overlong chains and entries past the
// end must end with a code or a list, every entry inside the device. The same bytes as the head
// of an image file must give one of the sector sizes a boot sector may state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IPartitionTableAnalyze.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/core/partition/ImageSectorSize.h"

// The boot-sector judgement asks the probes the file systems register.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterEngineSubsystems();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t size) {
    if (size < 1) return 0;
    int const iSectorSize = (pData[0] & 1) ? 4096 : 512;
    CMemoryDevice disk(std::vector<std::uint8_t>(pData + 1, pData + size), iSectorSize);
    disk.SetPrivateData(CreateDiskDeviceData(new CCollectDiskDeviceInfoStruct));
    std::unique_ptr<IPartitionTableAnalyze> pAnalyze(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    pAnalyze->AnalyzePartitionTable(&disk, entries);
    auto const u64Total = static_cast<std::uint64_t>(disk.GetTotalSectors());
    for (PartitionEntry const& entry : entries) {
        if (entry.u64SectorCount == 0 || entry.u64StartSector >= u64Total ||
            entry.u64SectorCount > u64Total - entry.u64StartSector)
            std::abort();
    }
    // The same bytes as the image's head and as its tail (the backup GPT header's place).
    engine::ByteView const image(pData + 1, size - 1);
    for (std::uint32_t const u32ImageSectorSize :
         {partition::ImageSectorSize(image), partition::ImageSectorSize(image, image, size - 1)}) {
        if (u32ImageSectorSize != 512 && u32ImageSectorSize != 1024 && u32ImageSectorSize != 2048 &&
            u32ImageSectorSize != 4096)
            std::abort();
    }
    return 0;
}
