#pragma once
// A fuzz input as the bytes of a device: whole sectors, the last one zero-filled past the
// input, so that CMemoryDevice serves every input byte.
#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> WholeSectors(std::uint8_t const* pData, std::size_t size,
                                              std::uint32_t u32SectorSize) {
    std::vector<std::uint8_t> bytes(pData, pData + size);
    bytes.resize((size + u32SectorSize - 1) / u32SectorSize * u32SectorSize, 0);
    return bytes;
}
