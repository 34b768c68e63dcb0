#pragma once
// What a FAT volume the complete scan found tells the volumes found with it: the device sectors
// it uses now (its reserved sectors, tables and fixed root, and every cluster its table links),
// its structures (all but the clusters, where its boot sector or a table was met), and its live files that hold sectors where other volumes
// start, read from its folders through its table, each as far as its clusters are known to be its
// own (its chain up to a break, or, the table lost, the clusters after its first one up to where
// another entry's start). A deleted file's chain is cleared: its runs are not known, and it holds
// no volume for sure.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/core/crossvolume/VolumeReport.h"
#include "engine/fat/FATVolumeGeometry.h"

class IFATTable;
class IStorageDevice;

namespace fatcomplete {

/// The clusters of the chain from `u32First`, as runs of consecutive ones (first, count), ending
/// at the chain's end or a cluster outside the volume. A table that answers has its loops cut;
/// `u64Budget`, the links the walk may follow, bounds chains that cross-link into one.
std::vector<std::pair<std::uint32_t, std::uint32_t>> ChainRuns(IFATTable const& table,
                                                               FATVolumeGeometry const& geometry,
                                                               std::uint32_t u32First, std::uint64_t& u64Budget);

/// Answers `use` for the volume starting at device sector `u64VolumeStart` with `geometry` and
/// `table`. `bStructuresMet`: its boot sector or a table was met where the geometry puts them;
/// otherwise they are a guess and no structures.
void ReportVolumeUse(IStorageDevice& device, FATVolumeGeometry const& geometry, std::uint64_t u64VolumeStart,
                     IFATTable const& table, CVolumeUse& use, bool bStructuresMet);

}  // namespace fatcomplete
