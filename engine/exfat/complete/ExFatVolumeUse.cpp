#include "engine/exfat/complete/ExFatVolumeUse.h"

#include <algorithm>

#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/complete/ExFatPartitionEx.h"

namespace exfatcomplete {

namespace {

void ReportUsed(CExFatPartitionEx const& partition, CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    auto const s64Start = static_cast<std::int64_t>(partition.GetPartitionStart());
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    volumes.AddUsed(id, s64Start, s64Heap - s64Start);
    volumes.AddStructure(id, s64Start, s64Heap - s64Start);
    if (CClusterBitmap const* pBitmap = partition.AllocationBitmap())
        pBitmap->ForEachAllocated([&](std::uint64_t u64First, std::uint64_t u64Count) {
            volumes.AddUsed(id, s64Heap + static_cast<std::int64_t>(u64First) * s64Spc,
                            static_cast<std::int64_t>(u64Count) * s64Spc);
        });
}

void ReportHoldingFiles(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                        CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    std::vector<std::int64_t> const& starts = volumes.StartsInside(id);
    auto const s64Heap = static_cast<std::int64_t>(partition.GetHeapStart());
    auto const s64Spc = static_cast<std::int64_t>(partition.GetSectorsPerCluster());
    for (ReleasePtr<CExFatFileNode> const& pNode : nodes) {
        IDataRunList* pRuns = pNode ? pNode->GetDataRunList() : nullptr;
        if (pRuns == nullptr || pNode->IsDirectory() || pNode->GetFileSize() <= 0) continue;
        // A deleted file's chain may be cleared: where its clusters lie is a guess.
        if (pNode->IsDeleted()) continue;
        HoldingFile holding;
        bool bHolds = false;
        std::int64_t s64View = 0;
        for (DataRun const* pRun = pRuns->GetFirst(); pRun != nullptr; pRun = pRuns->GetNext()) {
            if (pRun->s64Start < 0 || pRun->s64Length <= 0) break;
            SectorExtent const extent{s64View, s64Heap + pRun->s64Start * s64Spc, pRun->s64Length * s64Spc};
            bHolds = bHolds || std::any_of(starts.begin(), starts.end(), [&](std::int64_t s64At) {
                         return s64At >= extent.s64Device && s64At - extent.s64Device < extent.s64Count;
                     });
            holding.extents.push_back(extent);
            s64View += extent.s64Count;
        }
        if (!bHolds) continue;
        holding.name = pNode->GetFileName() ? pNode->GetFileName() : "";
        holding.s64Bytes = pNode->GetFileSize();
        volumes.AddHoldingFile(id, std::move(holding));
    }
}

}  // namespace

void ReportVolumeUse(CExFatPartitionEx const& partition, std::vector<ReleasePtr<CExFatFileNode>> const& nodes,
                     CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    if (partition.GetHeapStart() < partition.GetPartitionStart() || partition.GetSectorsPerCluster() == 0) return;
    if (volumes.WantsUseOf(id)) ReportUsed(partition, volumes, id);
    if (!volumes.StartsInside(id).empty()) ReportHoldingFiles(partition, nodes, volumes, id);
}

}  // namespace exfatcomplete
