#include "engine/fat/complete/FATVolumeUse.h"

#include <algorithm>
#include <deque>
#include <unordered_set>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATFolderEntries.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace fatcomplete {

namespace {

/// Folders read, and clusters followed along one chain, at most: a damaged table or a crafted
/// folder cannot make the walk run on.
constexpr std::size_t kMaxFolders = 1 << 20;
constexpr std::uint64_t kMaxFolderBytes = 64ull << 20;

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> ChainRuns(IFATTable const& table,
                                                               FATVolumeGeometry const& geometry,
                                                               std::uint32_t u32First, std::uint64_t& u64Budget) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    std::uint32_t u32Cluster = u32First;
    for (std::uint64_t u64Steps = 0;
         geometry.ClusterExists(u32Cluster) && u64Steps < geometry.u32Clusters && u64Budget > 0;
         ++u64Steps, --u64Budget) {
        if (!runs.empty() && runs.back().first + runs.back().second == u32Cluster)
            ++runs.back().second;
        else
            runs.emplace_back(u32Cluster, 1);
        std::uint32_t const u32Next = table.GetNextCluster(u32Cluster);
        if (u32Next >= IFATTable::kBadCluster) break;
        u32Cluster = u32Next;
    }
    return runs;
}

namespace {

void ReportUsed(FATVolumeGeometry const& geometry, std::uint64_t u64VolumeStart, IFATTable const& table,
                CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    auto const s64Start = static_cast<std::int64_t>(u64VolumeStart);
    auto const s64Data = static_cast<std::int64_t>(geometry.u64FirstDataSector);
    volumes.AddUsed(id, s64Start, s64Data - s64Start);
    volumes.AddStructure(id, s64Start, s64Data - s64Start);
    if (!table.AnswersLinks()) return;
    auto const s64Spc = static_cast<std::int64_t>(geometry.u32SectorsPerCluster);
    std::uint64_t const u64End = std::uint64_t{geometry.u32Clusters} + 2;
    // What lies between the free stretches is linked: in use now.
    for (std::uint64_t u64Cluster = 2; u64Cluster < u64End;) {
        IFATTable::FreeClusters const free = table.NextFreeClusters(static_cast<std::uint32_t>(u64Cluster));
        std::uint64_t const u64FreeFirst = free.u32Count == 0 ? u64End : std::min<std::uint64_t>(free.u32First, u64End);
        if (u64FreeFirst > u64Cluster)
            volumes.AddUsed(id, static_cast<std::int64_t>(geometry.ClusterToSector(u64Cluster)),
                            static_cast<std::int64_t>(u64FreeFirst - u64Cluster) * s64Spc);
        if (free.u32Count == 0) break;
        u64Cluster = std::max<std::uint64_t>(u64FreeFirst + free.u32Count, u64Cluster + 1);
    }
}

void ReportHoldingFiles(IStorageDevice& device, FATVolumeGeometry const& geometry, IFATTable const& table,
                        CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    std::vector<std::int64_t> const& starts = volumes.StartsInside(id);
    auto const s64Spc = static_cast<std::int64_t>(geometry.u32SectorsPerCluster);
    std::deque<std::uint32_t> folders{fat::HasFixedRoot(geometry.eType) ? 0u : geometry.u32RootCluster};
    std::unordered_set<std::uint32_t> seen(folders.begin(), folders.end());
    fat::FATFolderParseOptions options;
    options.u32Clusters = geometry.u32Clusters;
    fat::FATFolderParse parsed;
    std::vector<std::uint8_t> bytes;
    std::uint64_t u64Budget = 4 * (std::uint64_t{geometry.u32Clusters} + 1);
    for (std::size_t read = 0; !folders.empty() && read < kMaxFolders; ++read) {
        std::uint32_t const u32Folder = folders.front();
        folders.pop_front();
        // The folder's bytes: the fixed root, or its chain's clusters.
        bytes.clear();
        if (u32Folder == 0) {
            bytes.resize(std::size_t{geometry.u32RootSectors} * geometry.u32SectorSize);
            if (bytes.empty() || device.ReadSector(bytes.data(), static_cast<long long>(geometry.u64RootSector),
                                                   geometry.u32RootSectors) == 0)
                continue;
        } else {
            for (auto const& [u32First, u32Count] : ChainRuns(table, geometry, u32Folder, u64Budget)) {
                std::size_t const at = bytes.size();
                if (at + std::uint64_t{u32Count} * geometry.ClusterBytes() > kMaxFolderBytes) break;
                bytes.resize(at + static_cast<std::size_t>(std::uint64_t{u32Count} * geometry.ClusterBytes()));
                if (device.ReadSector(bytes.data() + at, static_cast<long long>(geometry.ClusterToSector(u32First)),
                                      static_cast<long long>(u32Count) * s64Spc) == 0) {
                    bytes.resize(at);
                    break;
                }
            }
        }
        fat::ParseFATFolderEntries(engine::ByteView(bytes.data(), bytes.size()), options, parsed);
        for (fat::FATFolderEntry const& entry : parsed.entries) {
            if (entry.bErased || !geometry.ClusterExists(entry.u32FirstCluster)) continue;
            if (entry.IsDirectory()) {
                if (seen.insert(entry.u32FirstCluster).second) folders.push_back(entry.u32FirstCluster);
                continue;
            }
            if (entry.u32Size == 0) continue;
            HoldingFile holding;
            bool bHolds = false;
            std::int64_t s64View = 0;
            for (auto const& [u32First, u32Count] : ChainRuns(table, geometry, entry.u32FirstCluster, u64Budget)) {
                SectorExtent const extent{s64View, static_cast<std::int64_t>(geometry.ClusterToSector(u32First)),
                                          std::int64_t{u32Count} * s64Spc};
                bHolds = bHolds || std::any_of(starts.begin(), starts.end(), [&](std::int64_t s64At) {
                             return s64At >= extent.s64Device && s64At - extent.s64Device < extent.s64Count;
                         });
                holding.extents.push_back(extent);
                s64View += extent.s64Count;
            }
            if (!bHolds) continue;
            holding.name = entry.name;
            holding.s64Bytes = entry.u32Size;
            volumes.AddHoldingFile(id, std::move(holding));
        }
    }
}

}  // namespace

void ReportVolumeUse(IStorageDevice& device, FATVolumeGeometry const& geometry, std::uint64_t u64VolumeStart,
                     IFATTable const& table, CFoundVolumes& volumes, CFoundVolumes::VolumeId id) {
    if (geometry.u32SectorsPerCluster == 0 || geometry.u64FirstDataSector < u64VolumeStart) return;
    if (volumes.WantsUseOf(id)) ReportUsed(geometry, u64VolumeStart, table, volumes, id);
    if (!volumes.StartsInside(id).empty() && table.AnswersLinks())
        ReportHoldingFiles(device, geometry, table, volumes, id);
}

}  // namespace fatcomplete
