#pragma once
// Little-endian fields of the NTFS records kept in results files, written and read through the
// archive's current frame whatever the host's byte order.
#include <cstdint>

#include "engine/IRSData.h"

namespace ntfs {

template <class T>
void WriteStored(IRSData& archive, T value) {
    std::uint8_t bytes[sizeof(T)] = {};
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    archive.WriteCurFrame(bytes, sizeof bytes);
}

/// Throws the archive's exception when the frame ends first.
template <class T>
T ReadStored(IRSData& archive) {
    std::uint8_t bytes[sizeof(T)] = {};
    archive.ReadCurFrame(bytes, sizeof bytes);
    std::uint64_t value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = (value << 8) | bytes[i];
    return static_cast<T>(value);
}

}  // namespace ntfs
