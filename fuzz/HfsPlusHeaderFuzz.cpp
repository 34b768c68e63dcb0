// The HFS+ volume-header rules and the volume analyser over arbitrary bytes: the input is the
// start of a volume (the header candidate at byte 1024), read through 512- and 4096-byte
// sectors. Neither may read outside its buffer; a header the rules accept must describe a
// volume with blocks whose size is a power of two.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    engine::ByteView const input(pData, size);
    engine::ByteView const candidate = input.Sub(hfsplus::kVolumeHeaderOffset, hfsplus::kVolumeHeaderSize);
    bool const bValid = hfsplus::IsValidVolumeHeader(candidate.Data(), static_cast<std::uint16_t>(candidate.Size()));
    if (bValid) {
        std::optional<hfsplus::HFSPlusVolumeHeader> const header = hfsplus::ReadVolumeHeader(candidate);
        if (!header || header->u32BlockSize == 0 || (header->u32BlockSize & (header->u32BlockSize - 1)) != 0)
            __builtin_trap();
    }
    for (int iSectorSize : {512, 4096}) {
        CMemoryDevice device(std::vector<std::uint8_t>(pData, pData + size), iSectorSize, STORAGE_DEVICE_VOLUME);
        std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&device, 0));
        if (pAnalyser && pAnalyser->GetFileSystemType() == FILE_SYSTEM_HFSPLUS && !bValid) __builtin_trap();
    }
    return 0;
}
