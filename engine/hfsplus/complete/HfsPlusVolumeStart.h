#pragma once
// Where the volume of a volume header found at some device byte begins. The header is either
// the volume's primary copy (the volume starts 1024 bytes before it) or its alternate, 1024
// bytes before the volume's end; the volume may end in a partial block, so for the alternate
// the start lies within one allocation block before (header + 1024 - totalBlocks x blockSize).
// A candidate start is confirmed when the catalog's node 0 there is a valid B-tree header node
// of the size it names, or, on a journaled volume, when the journal info block lies where the
// header says; the primary is tried first.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

/// Reads device bytes at a byte offset; false when they cannot all be read.
using DeviceByteRead = std::function<bool(std::uint64_t u64Offset, std::span<std::uint8_t> bytes)>;

struct VolumeStart {
    std::uint64_t u64Byte = 0;  // the volume's first byte on the device
    bool bAlternate = false;    // found from its alternate header
};

/// The confirmed start of the volume whose header lies at device byte `u64HeaderByte`; starts
/// are whole sectors of `u32SectorSize` inside `u64DeviceBytes`. Nullopt when no candidate is
/// confirmed: such a header cannot tell where its volume lies.
std::optional<VolumeStart> LocateVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64HeaderByte,
                                             std::uint64_t u64DeviceBytes, std::uint32_t u32SectorSize,
                                             DeviceByteRead const& read);

/// Whether a volume starting at `u64Start` has a valid catalog header node or journal info
/// block where `header` puts them.
bool ConfirmsVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64DeviceBytes,
                         DeviceByteRead const& read);

/// Whether a header at device byte `u64HeaderByte` is the primary or the alternate header of the
/// volume `header` describes, starting at `u64Start`.
bool IsHeaderOfVolume(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64HeaderByte);

}  // namespace hfsplus
