#include "engine/ntfs/complete/NTFSVolumeUse.h"

#include <algorithm>
#include <optional>

#include "engine/core/bytes/CheckedMath.h"

#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"

namespace ntfscomplete {

namespace {

/// Records below this are the volume's own metafiles, never a file holding another volume.
constexpr std::uint64_t kFirstUserRecord = 24;

void ReportUsed(CNTFSMftReader const& mft, std::int64_t s64Sectors, bool bRebuilt, CVolumeUse& use,
                std::int64_t s64ClusterSectors) {
    std::int64_t const s64Start = mft.Geometry().s64StartSector;
    // The boot sector and its backup at the volume's end are its own too.
    use.AddUsed(s64Start, 1);
    use.AddUsed(s64Start + s64Sectors - 1, 1);
    use.AddStructure(s64Start, 1);
    std::int64_t const s64MaxCluster = (INT64_MAX - s64Start) / s64ClusterSectors / 2;
    for (CDataRun const& run : mft.Runs().Runs())
        if (run.s64LCN >= 0 && run.s64LCN <= s64MaxCluster && run.s64Count <= s64MaxCluster)
            use.AddStructure(s64Start + run.s64LCN * s64ClusterSectors, run.s64Count * s64ClusterSectors);
    std::optional<CClusterBitmap> const inUse =
        CNTFSQuickSearch::ClustersInUse(mft, static_cast<std::uint64_t>(s64Sectors / s64ClusterSectors), bRebuilt);
    if (!inUse) return;
    inUse->ForEachAllocated([&](std::uint64_t u64First, std::uint64_t u64Count) {
        use.AddUsed(s64Start + static_cast<std::int64_t>(u64First) * s64ClusterSectors,
                    static_cast<std::int64_t>(u64Count) * s64ClusterSectors);
    });
}

void ReportHoldingFiles(CNTFSMftReader const& mft, CVolumeUse& use, std::int64_t s64ClusterSectors) {
    std::int64_t const s64Start = mft.Geometry().s64StartSector;
    std::uint64_t const u64Records = mft.RecordCount();
    for (std::uint64_t u64Number = mft.NextMappedRecord(kFirstUserRecord); u64Number < u64Records;
         u64Number = mft.NextMappedRecord(u64Number + 1)) {
        auto const raw = mft.ReadRecord(u64Number);
        if (!raw) continue;
        CNTFSFileRecord record(engine::ByteView(raw->data(), raw->size()));
        if (!record.IsValid() || record.IsExtendFileRecord() || record.IsFolder()) continue;
        // Records that store their own number must store this one: another's copy is not this file.
        if (record.HasXPNumberOfthisMFTRecord() &&
            record.GetXPNumberOfthisMFTRecord() != static_cast<std::uint32_t>(u64Number))
            continue;
        CNTFSMultiFileRecord const file(mft, u64Number, std::move(record));
        std::optional<NtfsFileSummary> const summary = SummarizeNtfsFile(file);
        if (!summary || !summary->bHasData || summary->bResident || summary->s64Size <= 0) continue;
        HoldingFile holding;
        std::int64_t const s64MaxCluster = (INT64_MAX - s64Start) / s64ClusterSectors / 2;
        for (CDataRun const& run : summary->runs.Runs()) {
            if (run.s64LCN < 0 || run.s64Count <= 0) continue;  // a hole lies nowhere
            if (run.s64VCN > s64MaxCluster || run.s64LCN > s64MaxCluster || run.s64Count > s64MaxCluster) break;
            holding.extents.push_back({run.s64VCN * s64ClusterSectors, s64Start + run.s64LCN * s64ClusterSectors,
                                       run.s64Count * s64ClusterSectors});
        }
        if (!use.HoldsStart(holding.extents)) continue;
        holding.name = summary->name ? summary->name->Utf8Name() : std::string();
        holding.s64Bytes = summary->s64Size;
        holding.bDeleted = !summary->bInUse;
        use.AddHoldingFile(std::move(holding));
    }
}

}  // namespace

void ReportVolumeUse(CNTFSMftReader const& mft, std::int64_t s64Sectors, bool bRebuilt, CVolumeUse& use) {
    NtfsVolumeGeometry const& geometry = mft.Geometry();
    if (geometry.u32DeviceSectorSize == 0 || geometry.ClusterBytes() % geometry.u32DeviceSectorSize != 0) return;
    auto const s64ClusterSectors = static_cast<std::int64_t>(geometry.ClusterBytes() / geometry.u32DeviceSectorSize);
    if (s64ClusterSectors <= 0 || s64Sectors <= 0) return;
    if (use.WantsUsed()) ReportUsed(mft, s64Sectors, bRebuilt, use, s64ClusterSectors);
    if (!use.StartsInside().empty()) ReportHoldingFiles(mft, use, s64ClusterSectors);
}

void ReportBootSectorStructures(CNTFSDBR const& dbr, std::int64_t s64Start, std::uint32_t u32SectorSize,
                                CVolumeUse& use) {
    std::uint32_t const u32BytesPerSector = dbr.GetBytesPerSector();
    if (u32SectorSize == 0 || u32BytesPerSector < u32SectorSize || u32BytesPerSector % u32SectorSize != 0) return;
    std::int64_t const s64Scale = u32BytesPerSector / u32SectorSize;
    std::int64_t const s64ClusterSectors = std::int64_t{dbr.GetSectorsperCluster()} * s64Scale;
    std::int64_t const s64RecordSectors =
        std::max<std::int64_t>(1, std::int64_t{dbr.GetFileRecordSizeByByte()} / std::int64_t{u32SectorSize});
    use.AddStructure(s64Start, 1);
    for (std::uint64_t const u64Cluster : {dbr.GetMFTStartCluster(), dbr.GetMFTMirrorStartCluster()}) {
        if (u64Cluster > static_cast<std::uint64_t>(INT64_MAX)) continue;
        std::optional<std::int64_t> const offset =
            engine::CheckedMul(static_cast<std::int64_t>(u64Cluster), s64ClusterSectors);
        std::optional<std::int64_t> const sector = offset ? engine::CheckedAdd(s64Start, *offset) : std::nullopt;
        if (sector && *sector <= INT64_MAX - s64RecordSectors) use.AddStructure(*sector, s64RecordSectors);
    }
}

}  // namespace ntfscomplete
