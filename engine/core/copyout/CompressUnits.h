#pragma once
// NTFS compresses a file in units of 16 clusters. Each unit of the run list is one of:
// - stored: all 16 clusters allocated, the data as written;
// - compressed: LZNT1 chunks in the first clusters, the rest of the unit a sparse tail;
// - sparse: no cluster allocated, the data is zeros.
// CCompressUnits walks a run list unit by unit and cuts its runs into the pieces of each unit.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/IDataRunList.h"

/// Stored numbers of a piece's unit kind.
enum CompressUnitType : std::uint32_t {
    NONECOMPRESSED_UNIT = 0,  // a stored unit
    COMPRESSED_UNIT = 1,      // stored clusters followed by a sparse tail within one unit
    SPARSE_UNIT = 2,          // a unit with no clusters
};

/// One piece of a compression unit: clusters of one run inside one unit.
struct tagCompressDataRun {
    std::int64_t s64LCN = -1;   // first cluster; -1 for a sparse piece
    std::int32_t s32Count = 0;  // clusters
    CompressUnitType eType = NONECOMPRESSED_UNIT;
};

class CCompressUnits {
public:
    static constexpr std::int32_t kUnitClusters = 16;
    /// A unit is cut into at most one piece per cluster.
    using UnitPieces = std::array<tagCompressDataRun, kUnitClusters>;

    /// Walks `runs` (start cluster, length; a negative start is sparse). A run with a length
    /// below 1 ends the list. The runs must outlive the walker.
    explicit CCompressUnits(std::span<DataRun const> runs) : m_runs(runs) {}

    /// Moves to the first cluster of unit `s64Unit`; false when the runs end before it.
    bool Seek(std::int64_t s64Unit);
    /// Fills `pieces` with the next unit's pieces and returns their count, 0 once the runs end.
    /// A complete unit takes its type from its last piece (stored, or sparse: a sparse unit
    /// when that piece is the whole unit, else compressed). The last unit of a list that stops
    /// short of 16 clusters is not complete: its stored pieces are stored, its sparse ones
    /// compressed (a sparse tail).
    std::size_t NextUnit(UnitPieces& pieces);

private:
    bool AtEnd() const;

    std::span<DataRun const> m_runs;
    std::size_t m_runIndex = 0;
    std::int64_t m_s64InRun = 0;  // clusters of the current run already passed
};

/// All pieces of the units that cover the first `s64MaxClusters` clusters, in order.
/// Bounded by `s64MaxClusters` (rounded up to whole units), whatever the runs claim.
std::vector<tagCompressDataRun> ReGroupCompressDataRunList(std::span<DataRun const> runs, std::int64_t s64MaxClusters);
