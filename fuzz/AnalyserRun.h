#pragma once
// Runs analysers over a fuzz input the way the search does: AnalyseBuffer on exactly the input's
// first sector, then GetRawFileSize through the windowed reader over the input as a device,
// whatever the header said, so that the walks and searches meet hostile lengths, loops and the
// device's end. Byte 0 picks the sector size (bit 7: 4,096, else 512); the device is the rest.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "WholeSectors.h"

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"

inline void RunAnalysers(std::uint8_t const* pData, std::size_t size,
                         std::span<RawFileAnalyserFactory const> factories) {
    if (size < 2 || size > (1 << 20)) return;
    std::uint32_t const u32SectorSize = (pData[0] & 0x80) != 0 ? 4096 : 512;
    CMemoryDevice device(WholeSectors(pData + 1, size - 1, u32SectorSize), static_cast<int>(u32SectorSize));
    // Exactly the readable bytes, on the heap: a read past them is an overflow the fuzzer sees.
    std::size_t const readable = std::min<std::size_t>(size - 1, u32SectorSize);
    std::vector<std::uint8_t> const sector(pData + 1, pData + 1 + readable);

    for (RawFileAnalyserFactory const factory : factories) {
        std::unique_ptr<IRawFileAnalyser> const pAnalyser = factory();
        CRawFileInfo info;
        bool const bAccepted =
            pAnalyser->AnalyseBuffer(sector.data(), info, static_cast<std::uint32_t>(sector.size())) != 0;
        // The search skips an analyser for first bytes it rules out: it must never accept them.
        if (bAccepted && !pAnalyser->MayStartWith(sector.front())) __builtin_trap();
        CRawFileInfo sized;
        sized.m_u32Type = info.m_u32Type;
        (void)pAnalyser->GetRawFileSize(sized, &device);
    }
}
