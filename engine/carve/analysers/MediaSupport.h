#pragma once
// Small pieces the audio and video analysers share: case-blind comparison of four-character
// codes, a byte search, the sector size of the device being sized and the memory of the last
// stream sized (streams whose inner sectors look like file starts: MPEG audio and program streams).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "engine/ByteView.h"

class IStorageDevice;

/// Whether the bytes at `offset` equal `text` with ASCII letters in any case.
bool EqualsNoCase(engine::ByteView bytes, std::size_t offset, std::string_view text);
/// Whether the bytes at `offset` equal any of `texts`, letters in any case.
bool EqualsAnyNoCase(engine::ByteView bytes, std::size_t offset, std::span<std::string_view const> texts);
/// The offset of the first `pattern` at or after `from`; none when it does not occur.
std::optional<std::size_t> FindBytes(engine::ByteView bytes, std::string_view pattern, std::size_t from = 0);
/// The device's sector size; 512 when it does not tell.
std::uint32_t SectorSizeOf(IStorageDevice* pDevice);

/// The sectors of the last stream an analyser sized. A hit starting inside it is a frame or
/// pack of that stream, not a new file.
class RememberedStream {
public:
    bool HoldsInside(std::uint64_t u64StartSector) const {
        return u64StartSector > m_u64Start && u64StartSector - m_u64Start < m_u64Sectors;
    }
    void Remember(std::uint64_t u64StartSector, std::uint64_t u64Bytes, std::uint32_t u32SectorSize) {
        m_u64Start = u64StartSector;
        m_u64Sectors = u64Bytes / u32SectorSize + (u64Bytes % u32SectorSize != 0 ? 1 : 0);
    }

private:
    std::uint64_t m_u64Start = 0;
    std::uint64_t m_u64Sectors = 0;
};
