#include "engine/hfsplus/HfsPlusQuickSearch.h"

#include <new>
#include <utility>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/hfsplus/HfsPlusFileNode.h"
#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/journal/HfsPlusJournal.h"

using namespace hfsplus;

namespace {
constexpr std::uint64_t kPercent = 100;
}  // namespace

CHFSPlusQuickFileSystemSearchProgress::CHFSPlusQuickFileSystemSearchProgress(IProgress* pSink, bool bSilent)
    : m_pSink(pSink), m_bSilent(bSilent) {
    m_record.u32State = PROGRESS_STATE_RUNNING;
}

CHFSPlusQuickFileSystemSearchProgress::~CHFSPlusQuickFileSystemSearchProgress() {
    if (m_bSilent || m_pSink == nullptr) return;
    m_record.u32State = PROGRESS_STATE_FINISHED;
    m_pSink->UpdateProgress(&m_record);
}

void CHFSPlusQuickFileSystemSearchProgress::UpdateProgress() {
    if (m_bSilent || m_pSink == nullptr) return;
    ++m_record.u64Done;
    // The sink hears of each new percent only: a record per catalog entry would cost more
    // than the walk itself on a volume of many small files.
    std::uint64_t const u64Percent =
        m_record.u64Total != 0 ? m_record.u64Done * kPercent / m_record.u64Total : m_record.u64Done;
    if (u64Percent == m_u64LastPercent) return;
    m_u64LastPercent = u64Percent;
    m_pSink->UpdateProgress(&m_record);
}

bool CHFSPlusQuickFileSystemSearchProgress::Continued() { return m_pSink == nullptr || m_pSink->Continued() != 0; }

CHFSPlusPrivateData::CHFSPlusPrivateData(std::unique_ptr<CHFSPlusVolume> pVolume) : m_pVolume(std::move(pVolume)) {}
CHFSPlusPrivateData::~CHFSPlusPrivateData() = default;
void CHFSPlusPrivateData::Release() { m_pVolume.reset(); }

CHFSPlusQuickFileSystemSearchController::CHFSPlusQuickFileSystemSearchController() = default;
CHFSPlusQuickFileSystemSearchController::~CHFSPlusQuickFileSystemSearchController() = default;

int CHFSPlusQuickFileSystemSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions,
                                                                      int iCount) {
    if (!m_pPrivateData || m_pDevice == nullptr || ppPartitions == nullptr || iCount < 1) return 0;
    auto const u32SectorSize = static_cast<std::uint32_t>(m_pDevice->GetSectorSize());
    auto* pInfo = new (std::nothrow) CSearchedPartitionInfo(u32SectorSize);
    if (pInfo == nullptr) return 0;
    pInfo->m_u64FileSystemValue = reinterpret_cast<std::uintptr_t>(m_pPrivateData.get());
    pInfo->m_u16PartitionIndex = 0;
    pInfo->m_u32FileSystemType = FILE_SYSTEM_HFSPLUS;
    // Sectors of one allocation block; 0 (no copy-out) when a block is smaller than a sector.
    pInfo->m_u32SectorsPerCluster = u32SectorSize != 0 ? m_u32BlockSize / u32SectorSize : 0;
    pInfo->m_s64StartSector = 0;
    long long const s64Total = m_pDevice->GetTotalSectors();
    pInfo->SetTotalSectors(s64Total > 0 ? static_cast<unsigned long long>(s64Total) : 0);
    ppPartitions[0] = pInfo;
    return 1;
}

RESULT CHFSPlusQuickFileSystemSearchController::QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) {
    m_pDevice = pDevice;
    m_pPrivateData.reset();
    CHFSPlusQuickFileSystemSearchProgress relay(pProgress, false);
    if (pDevice == nullptr) return HFSPLUS_RESULT(kCodeBadArgument);
    if (m_pBuilder == nullptr) return HFSPLUS_RESULT(kCodeNotReady);
    auto pVolume = std::make_unique<CHFSPlusVolume>(pDevice);
    if (Failed(pVolume->GetLastError())) return pVolume->GetLastError();
    m_u32BlockSize = pVolume->GetBlockSize();
    m_pPrivateData = std::make_unique<CHFSPlusPrivateData>(std::move(pVolume));

    m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_HFSPLUS, kRootFolderID);
    AddPrivateDataFolder(*m_pPrivateData->GetVolume(), relay);
    if (AddDeletedNodes(*m_pPrivateData->GetVolume(), relay)) WalkCatalog(*m_pPrivateData->GetVolume(), relay);
    m_pBuilder->SetPartitonDevice(nullptr, pDevice);
    m_pBuilder->FlashBuild(SEARCHER_TYPE_HFSPLUS);
    return kResultSuccess;
}

bool CHFSPlusQuickFileSystemSearchController::AddDeletedNodes(CHFSPlusVolume& volume,
                                                              CHFSPlusQuickFileSystemSearchProgress& relay) {
    HFSPlusVolumeHeader const& header = *volume.GetHeader();
    std::uint64_t const u64Live = std::uint64_t{header.u32FileCount} + header.u32FolderCount + 1;
    relay.SetTotal(u64Live);
    // An unusable journal only means no deleted nodes; a stop ends the search here.
    RESULT const result = GatherDeletedRecords(
        volume, [&relay] { return relay.Continued(); }, nullptr);
    // The collection stays while the nodes are made: a deleted link's content may be in it.
    std::vector<std::pair<CatalogIdentity, CatalogRecord>> const deleted = volume.DeletedRecords().CatalogNewestFirst();
    relay.SetTotal(u64Live + deleted.size());
    bool bContinued = result != HFSPLUS_RESULT(kCodeStopped) && relay.Continued();
    for (std::size_t i = 0; bContinued && i < deleted.size(); ++i) {
        bContinued = relay.Continued();
        AddRecord(volume, deleted[i].first.key, deleted[i].second, true, relay);
    }
    volume.DeletedRecords().ClearCatalog();
    return bContinued;
}

void CHFSPlusQuickFileSystemSearchController::AddPrivateDataFolder(CHFSPlusVolume& volume,
                                                                   CHFSPlusQuickFileSystemSearchProgress& relay) {
    if (volume.GetPrivateDataID() == 0 || volume.GetCatalog() == nullptr) return;
    CatalogKey const key = CHFSPlusVolume::PrivateDataKey();
    if (std::optional<CatalogRecord> const record = volume.GetCatalog()->Find(key))
        AddRecord(volume, key, *record, false, relay);
}

RESULT CHFSPlusQuickFileSystemSearchController::WalkCatalog(CHFSPlusVolume& volume,
                                                            CHFSPlusQuickFileSystemSearchProgress& relay) {
    CHFSPlusCatalog* pCatalog = volume.GetCatalog();
    if (pCatalog == nullptr) return volume.GetLastError();
    std::uint32_t const u32PrivateData = volume.GetPrivateDataID();
    auto const visit = [&](CatalogKey const& key, CatalogRecord const& record) {
        if (u32PrivateData == 0 || record.u16Type != kRecordFolder ||
            record.u32ID != u32PrivateData)  // handed over first
            AddRecord(volume, key, record, false, relay);
        return true;
    };
    return pCatalog->Traverse(visit, [&relay] { return relay.Continued(); });
}

void CHFSPlusQuickFileSystemSearchController::AddRecord(CHFSPlusVolume& volume, CatalogKey const& key,
                                                        CatalogRecord const& record, bool bDeleted,
                                                        CHFSPlusQuickFileSystemSearchProgress& relay) {
    // The root folder is the tree's root itself (its parent, id 1, is no folder).
    if (key.u32ParentID <= kRootParentID || IsJournalFile(key, record)) return;
    auto const add = [this, &relay](ReleasePtr<CHFSPlusFileNode> pNode) {
        if (!pNode || pNode->GetCurrentNodeID() < 0) return;
        relay.UpdateProgress();
        if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_HFSPLUS) != 0) pNode.release();  // the builder owns it now
    };
    add(ReleasePtr<CHFSPlusFileNode>(new CHFSPlusFileNode(&volume, key, record, bDeleted)));
    add(CHFSPlusFileNode::ResourceFork(&volume, key, record, bDeleted));
}

IQuickFileSystemSearchController* CreateHFSPlusQuickSearcher() {
    return new (std::nothrow) CHFSPlusQuickFileSystemSearchController();
}
