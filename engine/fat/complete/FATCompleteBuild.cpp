#include "engine/fat/complete/FATCompleteBuild.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATFileNode.h"
#include "engine/fat/FATSearchedPartitionInfo.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/FATWalkState.h"
#include "engine/fat/complete/FATVolumeUse.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace {

/// A lost FAT16 root is looked for this far before the data area.
constexpr std::uint32_t kLostRootBytes = 0x20000;

/// Numbers the synthetic folders of every build of the process: a second scan continues the
/// names, so that two scans' lost folders never share one.
std::uint32_t NextSyntheticNumber() {
    static std::atomic<std::uint32_t> next{0};
    return next++;
}

/// The folder-start records, parents before their sub-folders: by the number of recorded
/// ancestors (a walk up the ".." clusters, bounded so that a loop of them ends), then by sector.
std::vector<FATFolderSector const*> ParentsFirst(std::span<FATFolderSector const> records) {
    constexpr std::uint32_t kMaxDepth = 64;
    std::unordered_map<std::uint32_t, std::uint32_t> parentOf;
    for (FATFolderSector const& record : records)
        if (record.IsFolderStart()) parentOf.emplace(record.u32Cluster, record.u32ParentCluster);
    std::vector<std::pair<std::uint32_t, FATFolderSector const*>> byDepth;
    for (FATFolderSector const& record : records) {
        if (!record.IsFolderStart()) continue;
        std::uint32_t u32Depth = 0;
        for (auto it = parentOf.find(record.u32ParentCluster); it != parentOf.end() && u32Depth < kMaxDepth;
             it = parentOf.find(it->second))
            ++u32Depth;
        byDepth.emplace_back(u32Depth, &record);
    }
    // Records arrive in sector order; a stable sort keeps it within one depth.
    std::stable_sort(byDepth.begin(), byDepth.end(), [](auto const& a, auto const& b) { return a.first < b.first; });
    std::vector<FATFolderSector const*> ordered;
    ordered.reserve(byDepth.size());
    for (auto const& entry : byDepth) ordered.push_back(entry.second);
    return ordered;
}

}  // namespace

CFATCompleteBuild::CFATCompleteBuild(IDirecotryTreeBuilder* pBuilder, CFATSearchedPartitionInfo const& record,
                                     IStorageDevice* pDevice, FATVolumeGeometry const& geometry,
                                     IFATTable const* pTable)
    : m_record(record),
      m_geometry(geometry),
      m_pTable(pTable),
      m_walk(pBuilder, nullptr, &record, pDevice, geometry, pTable) {}

void CFATCompleteBuild::AddNestedVolume(CSpanSet::Span const& volume) {
    auto const [s64VolumeFirst, s64VolumeEnd] = volume;
    CFATForeignClusters& foreign = m_walk.State().foreign;
    auto const s64Data = static_cast<std::int64_t>(m_geometry.u64FirstDataSector);
    auto const s64Spc = static_cast<std::int64_t>(m_geometry.u32SectorsPerCluster);
    std::uint64_t const u64Cluster =
        s64VolumeFirst < s64Data ? 0 : static_cast<std::uint64_t>(s64VolumeFirst - s64Data) / s64Spc + 2;
    // Where the table links the cluster holding its start, the volume lies in a live file: along
    // that file's chain, not over the clusters its declared range reaches past a piece of it.
    if (m_pTable == nullptr || !m_pTable->AnswersLinks() || !m_geometry.ClusterExists(u64Cluster) ||
        m_pTable->GetNextCluster(static_cast<std::uint32_t>(u64Cluster)) == 0) {
        foreign.AddOtherVolume(s64VolumeFirst, s64VolumeEnd);
        return;
    }
    std::int64_t s64Left = s64VolumeEnd - s64VolumeFirst;
    std::uint64_t u64Budget = std::uint64_t{m_geometry.u32Clusters} + 1;
    for (auto const& [u32First, u32Count] :
         fatcomplete::ChainRuns(*m_pTable, m_geometry, static_cast<std::uint32_t>(u64Cluster), u64Budget)) {
        if (s64Left <= 0) break;
        std::int64_t const s64RunFirst =
            std::max(static_cast<std::int64_t>(m_geometry.ClusterToSector(u32First)), s64VolumeFirst);
        std::int64_t const s64RunEnd =
            static_cast<std::int64_t>(m_geometry.ClusterToSector(u32First)) + std::int64_t{u32Count} * s64Spc;
        std::int64_t const s64Taken = std::min(s64Left, s64RunEnd - s64RunFirst);
        foreign.AddOtherVolume(s64RunFirst, s64RunFirst + s64Taken);
        s64Left -= s64Taken;
    }
}

std::unique_ptr<CFATFileNode> CFATCompleteBuild::CreateTempFileNode(std::uint32_t u32Cluster,
                                                                    std::uint32_t u32ParentCluster) const {
    return m_walk.MakeSyntheticFolder("DIR" + std::to_string(NextSyntheticNumber()), u32Cluster, u32ParentCluster);
}

int CFATCompleteBuild::Build(CFATFolderSectors const& sectors, bool bBootSector, InsideOtherVolume const& insideOther,
                             std::span<CSpanSet::Span const> nested) {
    if (m_geometry.u32SectorsPerCluster == 0) return 0;
    CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
    CFATBuildChildren& children = m_walk.Children();
    CFATForeignClusters& foreign = m_walk.State().foreign;
    for (CSpanSet::Span const& volume : nested) AddNestedVolume(volume);

    auto const s64DataStart = static_cast<std::int64_t>(m_geometry.u64FirstDataSector);
    auto const s64Last = static_cast<std::int64_t>(m_record.GetStartSector() + m_record.GetTotalSectors());
    bool const bLostRoot = !bBootSector && fat::HasFixedRoot(m_geometry.eType);
    std::int64_t const s64First =
        bLostRoot ? std::max<std::int64_t>(0, s64DataStart - kLostRootBytes / m_geometry.u32SectorSize) : s64DataStart;
    // An empty range still has a root to read: a volume whose files all sit in its root has no
    // sub-folder to leave a record.
    std::span<FATFolderSector const> const range = sectors.Range(s64First, s64Last);
    auto const dataBegin = std::find_if(range.begin(), range.end(), [s64DataStart](FATFolderSector const& record) {
        return record.s64Sector >= s64DataStart;
    });
    std::span<FATFolderSector const> const data(dataBegin, range.end());

    // FAT32 without boot sector: every writer puts the root at cluster 2, and folder entries
    // without "." and ".." there are its first sector.
    FATFolderSector const* pRoot =
        bBootSector || bLostRoot
            ? nullptr
            : sectors.Find(static_cast<std::int64_t>(m_geometry.ClusterToSector(m_geometry.u32RootCluster)));
    bool const bRootAt2 = pRoot && !pRoot->IsFolderStart();
    std::vector<std::uint32_t> folders;
    for (FATFolderSector const& record : data)
        if (record.IsFolderStart() && !foreign.HoldsSector(record.s64Sector)) folders.push_back(record.u32Cluster);
    m_walk.ClaimGuessedClusters(std::move(folders), bBootSector || bRootAt2);

    if (bBootSector) {
        children.BuildRoot();
    } else if (bLostRoot) {
        ReadLostRoot(std::span<FATFolderSector const>(range.begin(), dataBegin), insideOther);
    } else if (bRootAt2) {
        children.BuildChildren(nullptr, m_geometry.u32RootCluster, true);
    }
    m_walk.Drain();

    // Folders are read in order of their depth among the recorded folders, parents first, so
    // that reading a parent names its sub-folders; ties in sector order. Folders known only as
    // deleted nodes come last: a live folder that took their cluster may still turn up.
    std::vector<FATFolderSector const*> deferred;
    for (FATFolderSector const* pRecord : ParentsFirst(data))
        if (!ReadFolderStart(*pRecord, false)) deferred.push_back(pRecord);
    for (FATFolderSector const* pRecord : deferred) ReadFolderStart(*pRecord, true);

    BuildLostNode(data);
    m_walk.ReadUnownedClusters();
    m_walk.JudgeReusedClusters();
    return range.empty() ? 0 : 1;
}

void CFATCompleteBuild::ReadLostRoot(std::span<FATFolderSector const> records, InsideOtherVolume const& insideOther) {
    std::uint32_t const u32SectorSize = m_geometry.u32SectorSize;
    std::vector<std::uint8_t> buffer;
    std::size_t i = 0;
    while (i < records.size()) {
        // Sectors inside another volume are that volume's folders, not this root.
        if (records[i].IsFolderStart() || (insideOther && insideOther(records[i].s64Sector))) {
            ++i;
            continue;
        }
        // A run of consecutive sectors is read in one piece, so that a long name crossing a
        // sector end stays whole.
        std::size_t end = i + 1;
        while (end < records.size() && records[end].s64Sector == records[end - 1].s64Sector + 1 &&
               !records[end].IsFolderStart() && !(insideOther && insideOther(records[end].s64Sector)))
            ++end;
        std::size_t const count = end - i;
        buffer.resize(count * u32SectorSize);
        if (m_walk.Device()->ReadSector(buffer.data(), records[i].s64Sector, static_cast<long long>(count))) {
            FATRevisionLists lists;
            m_walk.Children().BuildChildrenFromBuffer(engine::ByteView(buffer.data(), buffer.size()),
                                                      static_cast<std::uint64_t>(records[i].s64Sector) * u32SectorSize,
                                                      nullptr, lists, true);
            m_walk.Children().FinishFolder(lists);
        }
        i = end;
    }
}

bool CFATCompleteBuild::ReadFolderStart(FATFolderSector const& record, bool bTakeDeleted) {
    std::uint32_t const u32Cluster = record.u32Cluster;
    FATWalkState& state = m_walk.State();
    if (!m_geometry.ClusterExists(u32Cluster) ||
        m_geometry.ClusterToSector(u32Cluster) != static_cast<std::uint64_t>(record.s64Sector) ||
        state.walk.WasRead(u32Cluster) || state.foreign.HoldsSector(record.s64Sector))
        return true;
    CFATFileNode* pFolder = nullptr;
    if (auto it = state.folderMap.find(u32Cluster); it != state.folderMap.end()) {
        if (it->second->IsDeleted() && !bTakeDeleted) return false;
        pFolder = it->second;
    } else {
        std::unique_ptr<CFATFileNode> pSynthetic = CreateTempFileNode(u32Cluster, record.u32ParentCluster);
        pFolder = pSynthetic.release();
        if (!m_walk.Children().HandOver(pFolder)) return true;
        state.folderMap.emplace(u32Cluster, pFolder);
    }
    m_walk.Children().BuildChildren(pFolder, u32Cluster, false);
    m_walk.Drain();
    return true;
}

void CFATCompleteBuild::BuildLostNode(std::span<FATFolderSector const> records) {
    std::uint32_t const u32Spc = m_geometry.u32SectorsPerCluster;
    std::vector<std::uint8_t> cluster;
    for (FATFolderSector const& record : records) {
        if (record.IsFolderStart()) continue;
        auto const u64Offset = static_cast<std::uint64_t>(record.s64Sector) - m_geometry.u64FirstDataSector;
        if (u64Offset % u32Spc != 0) continue;
        m_walk.ReadLostCluster(u64Offset / u32Spc + 2, cluster);
    }
}
