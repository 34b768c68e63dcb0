#include "engine/exfat/ExFatQuickSearch.h"

#include <optional>

#include "engine/CatchExeception.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/TakenClusters.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace {
constexpr std::uint32_t kPercent = 100;
}

int CExFatQuickSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (!m_bRecognised || ppPartitions == nullptr || iCount < 1) return 0;
    ppPartitions[0] = new CSearchedPartitionInfo(PartitionRecord());
    return 1;
}

CSearchedPartitionInfo CExFatQuickSearch::PartitionRecord() const {
    CSearchedPartitionInfo info(m_partition.GetBytesPerSector());
    info.m_u32FileSystemType = FILE_SYSTEM_EXFAT;
    info.m_u32SectorsPerCluster = m_partition.GetSectorsPerCluster();
    info.m_s64StartSector = static_cast<long long>(m_partition.GetHeapStart());
    info.m_u64FileSystemValues[0] = m_partition.GetPartitionStart();
    info.SetTotalSectors(m_partition.GetTotalSectors());
    return info;
}

RESULT CExFatQuickSearch::QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) {
    if (PrepareSearch(pDevice)) QuickSearch(pDevice, pProgress);
    return kResultSuccess;
}

bool CExFatQuickSearch::PrepareSearch(IStorageDevice* pDevice) {
    m_bRecognised = false;
    if (pDevice == nullptr || m_pBuilder == nullptr) return false;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < static_cast<int>(CExFatDBR::kSize)) return false;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize), 0);
    if (pDevice->ReadSector(sector.data(), 0, 1) == 0) return false;
    CExFatDBR const bootSector(engine::ByteView(sector.data(), sector.size()));
    if (!bootSector.IsValid(static_cast<std::uint32_t>(iSectorSize))) return false;

    std::uint32_t const u32LengthShift = bootSector.GetBytePerSectorShift();
    std::uint32_t const u32ClusterShift = u32LengthShift + bootSector.GetSectorsPerClusterShift();
    m_partition.SetGeometry(bootSector, 0);
    m_partition.RaiseClusterLimitToFat(bootSector.GetSectorsPerFat());
    m_analyzer.PrepareAnayze(u32LengthShift, u32ClusterShift, m_partition.GetHeapSectors() + 1);
    m_partition.CreateFatTable(pDevice, bootSector.GetFatStartSector(), bootSector.GetSectorsPerFat());
    m_cluster.assign(m_partition.GetBytesPerCluster(), 0);
    m_partition.SetAllocationBitmap(m_partition.ReadAllocationBitmap(pDevice));
    // Every folder taken was named by an entry of a cluster read, and each cluster is read once.
    std::uint64_t const u64MaxFolders = m_partition.GetClusterLimit() * (m_partition.GetBytesPerCluster() / 32) + 1;
    m_walk = CFolderWalk<PendingFolder>(u64MaxFolders, [this] { return m_s64NextDetachedID++; });
    m_bRecognised = true;
    long long const s64RootID =
        static_cast<long long>(m_partition.ConvertClusterNumToSector(m_partition.GetRootCluster()));
    return m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_EXFAT, s64RootID) != 0;
}

void CExFatQuickSearch::QuickSearch(IStorageDevice* pDevice, IProgress* pProgress) {
    if (pProgress == nullptr) return;
    PendingFolder const root{m_partition.GetRootCluster(),
                             m_partition.GetClusterLimit() * m_partition.GetBytesPerCluster(), false, false, nullptr};
    if (!BuildChildren(pDevice, root)) return;

    std::uint64_t u64Done = 0;
    std::uint64_t u64LastPercent = 0;
    PendingFolder folder;
    while (pProgress->Continued() && TakeNextFolder(folder)) {
        // A folder that cannot be read (a first cluster past the heap's end on the device, a
        // bad sector) hides only its own entries: the other folders are still walked.
        if (!BuildChildren(pDevice, folder))
            CatchExeception::WriteLog("exFAT: the folder at cluster %u cannot be read; its entries are skipped\n",
                                      folder.u32FirstCluster);
        ++u64Done;
        std::uint64_t const u64Total = u64Done + m_walk.Pending();
        std::uint64_t const u64Percent = u64Done * kPercent / u64Total;
        if (u64Percent > u64LastPercent) {
            _PROGRESS_INFO record;
            record.u32State = PROGRESS_STATE_RUNNING;
            record.u64Total = u64Total;
            record.u64Done = u64Done;
            pProgress->UpdateProgress(&record);
            u64LastPercent = u64Percent;
        }
    }

    CSearchedPartitionInfo record = PartitionRecord();
    m_pBuilder->SetPartitonDevice(&record, pDevice);
    m_pBuilder->FlashBuild(SEARCHER_TYPE_EXFAT);
    _PROGRESS_INFO finished;
    finished.u32State = PROGRESS_STATE_FINISHED;
    finished.u64Total = 1;
    finished.u64Done = 1;
    pProgress->UpdateProgress(&finished);
}

bool CExFatQuickSearch::TakeNextFolder(PendingFolder& folder) {
    while (std::optional<PendingFolder> next = m_walk.TakeNext()) {
        folder = std::move(*next);
        if (!folder.pDeferredNode) return true;
        if (std::optional<long long> const ownId = m_walk.OwnIdFor(folder.u32FirstCluster))
            folder.pDeferredNode->SetID(*ownId);
        if (m_pBuilder->AddNode(folder.pDeferredNode.get(), SEARCHER_TYPE_EXFAT) == 0) {
            folder.pDeferredNode.reset();  // refused: neither it nor its children are shown
            continue;
        }
        folder.pDeferredNode.release();  // the builder owns it now
        return true;
    }
    return false;
}

bool CExFatQuickSearch::BuildChildren(IStorageDevice* pDevice, PendingFolder const& folder) {
    if (pDevice == nullptr || m_pBuilder == nullptr || m_cluster.empty()) return false;
    std::uint32_t const u32SectorsPerCluster = m_partition.GetSectorsPerCluster();
    std::uint64_t const u64BytesPerCluster = m_partition.GetBytesPerCluster();
    m_analyzer.Reset();
    std::uint32_t u32Cluster = folder.u32FirstCluster;
    bool bResult = true;
    for (std::uint64_t u64Read = 0; u64Read < folder.u64Size;) {
        // A deleted folder's cluster the bitmap gives to a live file now holds none of its entries
        // (an image kept as that file holds another volume's).
        if (!m_partition.IsHeapCluster(u32Cluster) || (folder.bDeleted && m_partition.IsClusterAllocated(u32Cluster)) ||
            !m_walk.MarkRead(u32Cluster))
            break;
        long long const s64Sector = static_cast<long long>(m_partition.ConvertClusterNumToSector(u32Cluster));
        if (pDevice->ReadSector(m_cluster.data(), s64Sector, u32SectorsPerCluster) == 0) {
            bResult = false;
            break;
        }
        u64Read += u64BytesPerCluster;
        if (!m_analyzer.Analyze(engine::ByteView(m_cluster.data(), m_cluster.size()),
                                static_cast<std::uint64_t>(s64Sector)))
            break;
        // A folder without FAT chain is one piece: its FAT entries mean nothing.
        u32Cluster = folder.bNoFatChain ? u32Cluster + 1 : m_partition.GetNextCluster(u32Cluster, false);
    }
    AddChildren(folder);
    return bResult;
}

void CExFatQuickSearch::AddChildren(PendingFolder const& folder) {
    long long const s64ParentID = static_cast<long long>(m_partition.ConvertClusterNumToSector(folder.u32FirstCluster));
    for (_tagFileBaseInfo info : m_analyzer.GetFiles()) {
        if (folder.bDeleted) info.u8InUse = 0;
        ReleasePtr<CExFatFileNode> pNode = m_partition.BuildFile(info);
        pNode->SetID(static_cast<long long>(m_partition.ConvertClusterNumToSector(info.u32FirstCluster)));
        pNode->SetParentID(s64ParentID);
        bool const bFolder = pNode->IsDirectory() != 0;
        bool const bDeleted = info.u8InUse == 0;
        PendingFolder child{info.u32FirstCluster, info.u64DataLength, info.u8NoFatChain != 0, bDeleted, nullptr};
        if (bFolder && bDeleted) {
            child.pDeferredNode = std::move(pNode);
            m_walk.AddDeleted(std::move(child));
            continue;
        }
        if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_EXFAT) == 0) continue;  // refused: released here
        pNode.release();                                                           // the builder owns it now
        if (bFolder) m_walk.AddLive(std::move(child));
    }
    m_analyzer.ClearFiles();
}
