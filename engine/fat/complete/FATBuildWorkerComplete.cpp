// The complete build of CFATBuildWorker: the volume rebuilt from the folder sectors a complete
// scan met, for volumes whose boot sector, root or links may be gone.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATBuildWorker.h"
#include "engine/fat/FATSearchedPartitionInfo.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace {

/// The synthetic folder state: deleted, and bit 3 marking a folder made up by the search.
constexpr std::uint16_t kStateSynthetic = 9;
constexpr std::uint16_t kAttributeFolder = 0x10;
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

std::unique_ptr<CFATFileNode> CFATBuildWorker::CreateTempFileNode(std::uint32_t u32Cluster, std::uint32_t u32ParentCluster) const {
    return MakeSyntheticFolder("DIR" + std::to_string(NextSyntheticNumber()), u32Cluster, u32ParentCluster);
}

std::unique_ptr<CFATFileNode> CFATBuildWorker::MakeSyntheticFolder(std::string const& name, std::uint32_t u32Cluster,
                                                                   std::uint32_t u32ParentCluster) const {
    auto pProperties = std::make_unique<CFATFileProperties>();
    pProperties->SetFileName(name.c_str());
    pProperties->SetAttribute(kAttributeFolder);
    pProperties->SetState(kStateSynthetic);
    pProperties->SetFirstClusterNum(u32Cluster);
    pProperties->SetParentFirstClusterNum(u32ParentCluster);
    pProperties->SetMetaDataSector(static_cast<long long>(m_geometry.ClusterToSector(u32ParentCluster)));
    auto pNode = std::make_unique<CFATFileNode>();
    pNode->SetFileProperties(std::move(pProperties));
    if (m_pRecord) pNode->SetBelongedPartition(m_pRecord->m_u16PartitionIndex);
    return pNode;
}

int CFATBuildWorker::CompleteBuildDirectoryTree(CFATFolderSectors const& sectors, bool bBootSector,
                                                InsideOtherVolume const& insideOther) {
    if (!m_pRecord || m_geometry.u32SectorsPerCluster == 0) return 0;
    CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
    CFATBuildChildren children(m_pBuilder, m_pRecord, m_pDevice, m_state, m_geometry, m_pTable);

    auto const s64DataStart = static_cast<std::int64_t>(m_geometry.u64FirstDataSector);
    auto const s64Last = static_cast<std::int64_t>(m_pRecord->GetStartSector() + m_pRecord->GetTotalSectors());
    bool const bLostRoot = !bBootSector && fat::HasFixedRoot(m_geometry.eType);
    std::int64_t const s64First =
        bLostRoot ? std::max<std::int64_t>(0, s64DataStart - kLostRootBytes / m_geometry.u32SectorSize) : s64DataStart;
    // An empty range still has a root to read: a volume whose files all sit in its root has no
    // sub-folder to leave a record.
    std::span<FATFolderSector const> const range = sectors.Range(s64First, s64Last);
    auto const dataBegin = std::find_if(range.begin(), range.end(),
                                        [s64DataStart](FATFolderSector const& record) { return record.s64Sector >= s64DataStart; });
    std::span<FATFolderSector const> const data(dataBegin, range.end());

    // FAT32 without boot sector: every writer puts the root at cluster 2, and folder entries
    // without "." and ".." there are its first sector.
    FATFolderSector const* pRoot =
        bBootSector || bLostRoot ? nullptr : sectors.Find(static_cast<std::int64_t>(m_geometry.ClusterToSector(m_geometry.u32RootCluster)));
    bool const bRootAt2 = pRoot && !pRoot->IsFolderStart();
    std::vector<std::uint32_t> folders;
    for (FATFolderSector const& record : data)
        if (record.IsFolderStart()) folders.push_back(record.u32Cluster);
    ClaimGuessedClusters(children, std::move(folders), bBootSector || bRootAt2);

    if (bBootSector) {
        children.BuildRoot();
    } else if (bLostRoot) {
        ReadLostRoot(children, std::span<FATFolderSector const>(range.begin(), dataBegin), insideOther);
    } else if (bRootAt2) {
        children.BuildChildren(nullptr, m_geometry.u32RootCluster, true);
    }
    DrainWalk(children);

    // Folders are read in order of their depth among the recorded folders, parents first, so
    // that reading a parent names its sub-folders; ties in sector order. Folders known only as
    // deleted nodes come last: a live folder that took their cluster may still turn up.
    std::vector<FATFolderSector const*> deferred;
    for (FATFolderSector const* pRecord : ParentsFirst(data))
        if (!ReadFolderStart(children, *pRecord, false)) deferred.push_back(pRecord);
    for (FATFolderSector const* pRecord : deferred) ReadFolderStart(children, *pRecord, true);

    BuildLostNode(children, data);
    ReadUnownedClusters(children);
    return range.empty() ? 0 : 1;
}

void CFATBuildWorker::ReadLostRoot(CFATBuildChildren& children, std::span<FATFolderSector const> records,
                                   InsideOtherVolume const& insideOther) {
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
        if (m_pDevice->ReadSector(buffer.data(), records[i].s64Sector, static_cast<long long>(count))) {
            FATRevisionLists lists;
            children.BuildChildrenFromBuffer(engine::ByteView(buffer.data(), buffer.size()),
                                             static_cast<std::uint64_t>(records[i].s64Sector) * u32SectorSize, nullptr, lists, true);
            children.FinishFolder(lists);
        }
        i = end;
    }
}

bool CFATBuildWorker::ReadFolderStart(CFATBuildChildren& children, FATFolderSector const& record, bool bTakeDeleted) {
    std::uint32_t const u32Cluster = record.u32Cluster;
    if (!m_geometry.ClusterExists(u32Cluster) || m_geometry.ClusterToSector(u32Cluster) != static_cast<std::uint64_t>(record.s64Sector) ||
        m_state.walk.WasRead(u32Cluster))
        return true;
    CFATFileNode* pFolder = nullptr;
    if (auto it = m_state.folderMap.find(u32Cluster); it != m_state.folderMap.end()) {
        if (it->second->IsDeleted() && !bTakeDeleted) return false;
        pFolder = it->second;
    } else {
        std::unique_ptr<CFATFileNode> pSynthetic = CreateTempFileNode(u32Cluster, record.u32ParentCluster);
        pFolder = pSynthetic.release();
        if (!children.HandOver(pFolder)) return true;
        m_state.folderMap.emplace(u32Cluster, pFolder);
    }
    children.BuildChildren(pFolder, u32Cluster, false);
    DrainWalk(children);
    return true;
}

void CFATBuildWorker::BuildLostNode(CFATBuildChildren& children, std::span<FATFolderSector const> records) {
    std::uint32_t const u32Spc = m_geometry.u32SectorsPerCluster;
    std::vector<std::uint8_t> cluster;
    for (FATFolderSector const& record : records) {
        if (record.IsFolderStart()) continue;
        auto const u64Offset = static_cast<std::uint64_t>(record.s64Sector) - m_geometry.u64FirstDataSector;
        if (u64Offset % u32Spc != 0) continue;
        ReadLostCluster(children, u64Offset / u32Spc + 2, cluster);
    }
}

void CFATBuildWorker::ReadLostCluster(CFATBuildChildren& children, std::uint64_t u64Cluster, std::vector<std::uint8_t>& buffer) {
    if (!m_geometry.ClusterExists(u64Cluster) || m_state.walk.WasRead(u64Cluster)) return;
    buffer.resize(static_cast<std::size_t>(m_geometry.ClusterBytes()));
    std::uint64_t const u64Sector = m_geometry.ClusterToSector(u64Cluster);
    if (!m_pDevice->ReadSector(buffer.data(), static_cast<long long>(u64Sector), m_geometry.u32SectorsPerCluster)) return;
    m_state.walk.MarkRead(u64Cluster);
    // The entries' parent cluster is one no folder has: the tree builder files them as orphans.
    // It is never shown, so it takes no number of the visible synthetic folders.
    std::unique_ptr<CFATFileNode> pParent = MakeSyntheticFolder("", FATFolderSector::kNotFirst, FATFolderSector::kNotFirst);
    FATRevisionLists lists;
    children.BuildChildrenFromBuffer(engine::ByteView(buffer.data(), buffer.size()), u64Sector * m_geometry.u32SectorSize, pParent.get(),
                                     lists, true);
    children.FinishFolder(lists);
    DrainWalk(children);
}
