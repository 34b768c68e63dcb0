#pragma once
// A fork's extents in order: its eight inline descriptors, then the records of the extents
// overflow tree, each found by (file id, fork type, blocks covered so far).
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/Result.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

/// The overflow record starting at a fork block, or nullopt when the tree has none.
using OverflowLookup = std::function<std::optional<HFSPlusExtentRecord>(std::uint32_t u32StartBlock)>;

struct ForkExtents {
    std::vector<HFSPlusExtentDescriptor> extents;
    /// Success when the extents cover the fork's blocks; else why they stop short.
    RESULT result = kResultSuccess;
};

/// Walks the fork's extents until they cover its totalBlocks. An extent past the volume's
/// `u32VolumeBlocks`, a missing overflow record, one that adds no blocks, or more than
/// `u32MaxLookups` look-ups end the walk with code 6, keeping the extents taken so far.
/// An empty `lookup` ends it there too (the extents file has no overflow of its own).
ForkExtents CollectForkExtents(HFSPlusForkData const& fork, std::uint32_t u32VolumeBlocks, OverflowLookup const& lookup,
                               std::uint32_t u32MaxLookups);

}  // namespace hfsplus
