#include "engine/exfat/complete/ExFatVolumeUse.h"

#include <algorithm>

#include "engine/IDataRecovery.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/complete/ExFatPartitionEx.h"

namespace exfatcomplete {

namespace {

/// Calls `visit` (node, extent) for each run of each file of `nodes`, live ones or (`bDeleted`)
/// deleted ones, in order, with the run's place in the file (its view sector) and on the device.
template <typename Visit>
void ForEachFileRun(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                    bool bDeleted, Visit visit) {
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    for (ReleasePtr<CExFatFileNode> const& pNode : nodes) {
        IDataRunList* pRuns = pNode ? pNode->GetDataRunList() : nullptr;
        if (pRuns == nullptr || pNode->IsDirectory() || (pNode->IsDeleted() != 0) != bDeleted ||
            pNode->GetFileSize() <= 0)
            continue;
        std::int64_t s64View = 0;
        for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
            if (pRun->s64Start < 0 || pRun->s64Length <= 0) break;
            SectorExtent const extent{s64View, s64Heap + pRun->s64Start * s64Spc, pRun->s64Length * s64Spc};
            visit(*pNode, extent);
            s64View += extent.s64Count;
        }
    }
}

void ReportUsed(CExFatPartitionEx const& partition, CVolumeUse& use) {
    auto const s64Start = static_cast<std::int64_t>(partition.GetPartitionStart());
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    use.AddUsed(s64Start, s64Heap - s64Start);
    use.AddStructure(s64Start, s64Heap - s64Start);
    if (CClusterBitmap const* pBitmap = partition.AllocationBitmap())
        pBitmap->ForEachAllocated([&](std::uint64_t u64First, std::uint64_t u64Count) {
            use.AddUsed(s64Heap + static_cast<std::int64_t>(u64First) * s64Spc,
                        static_cast<std::int64_t>(u64Count) * s64Spc);
        });
}

/// The device sectors two or more live files' runs claim: a chain that links into another
/// file's is broken there.
CSpanSet ClaimedTwice(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes) {
    std::vector<CSpanSet::Span> runs;
    ForEachFileRun(partition, nodes, false, [&](CExFatFileNode&, SectorExtent const& extent) {
        runs.emplace_back(extent.s64Device, extent.s64Device + extent.s64Count);
    });
    std::sort(runs.begin(), runs.end());
    CSpanSet twice;
    std::int64_t s64Reach = INT64_MIN;
    for (CSpanSet::Span const& run : runs) {
        if (run.first < s64Reach) twice.Add(run.first, std::min(run.second, s64Reach));
        s64Reach = std::max(s64Reach, run.second);
    }
    return twice;
}

void ReportHoldingFiles(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                        CVolumeUse& use) {
    CSpanSet const twice = ClaimedTwice(partition, nodes);
    auto const s64SectorBytes = static_cast<std::int64_t>(partition.GetBytesPerSector());
    std::vector<std::pair<CExFatFileNode*, HoldingFile>> holdings;  // live ones, then deleted ones
    ForEachFileRun(partition, nodes, false, [&](CExFatFileNode& node, SectorExtent const& extent) {
        if (holdings.empty() || holdings.back().first != &node) holdings.emplace_back(&node, HoldingFile());
        HoldingFile& holding = holdings.back().second;
        // A file has no holes: its data ends where its chain breaks (an end mark early, a link
        // out of the heap or into another file's chain), whatever its size says.
        if (holding.s64Bytes < 0) return;
        SectorExtent kept = extent;
        if (auto const shared = twice.Within(extent.s64Device, extent.s64Device + extent.s64Count); !shared.Empty()) {
            kept.s64Count = shared.Spans().front().first - extent.s64Device;
            holding.s64Bytes = -1;  // broken here
        }
        if (kept.s64Count > 0) holding.extents.push_back(kept);
    });
    // A deleted file's clusters past its first are a guess (its chain cleared or stale: the free
    // clusters that follow, passing over live files'); what the volume uses now in them is taken.
    ForEachFileRun(partition, nodes, true, [&](CExFatFileNode& node, SectorExtent const& extent) {
        if (holdings.empty() || holdings.back().first != &node) {
            holdings.emplace_back(&node, HoldingFile());
            holdings.back().second.bDeleted = true;
        }
        holdings.back().second.extents.push_back(extent);
    });
    for (auto& [pNode, holding] : holdings) {
        std::int64_t s64Sectors = 0;
        for (SectorExtent const& extent : holding.extents) s64Sectors += extent.s64Count;
        holding.name = pNode->GetFileName() ? pNode->GetFileName() : "";
        holding.s64Bytes = std::min<std::int64_t>(pNode->GetFileSize(), s64Sectors * s64SectorBytes);
        // A chain lost from the FAT or a deleted file's: only its first cluster is surely the
        // file's, the rest is a guess.
        if (pNode->GetCopyRefusal() == kCodeChainLost || holding.bDeleted)
            holding.s64KnownSectors = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
        use.AddHoldingFile(std::move(holding));
    }
}

}  // namespace

void ReportVolumeUse(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                     CVolumeUse& use) {
    if (partition.GetHeapStart() < partition.GetPartitionStart() || partition.GetSectorsPerCluster() == 0) return;
    if (use.WantsUsed()) ReportUsed(partition, use);
    if (!use.StartsInside().empty()) ReportHoldingFiles(partition, nodes, use);
}

}  // namespace exfatcomplete
