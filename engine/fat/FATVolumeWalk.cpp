#include "engine/fat/FATVolumeWalk.h"

#include <cstdio>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/core/util/DosTime.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATFolderSectors.h"
#include "engine/fat/FATSearchedPartitionInfo.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/FATWalkState.h"
#include "engine/fat/ondisk/FATFolderEntries.h"

namespace {

constexpr std::uint32_t kCodeStopped = 0xd;
constexpr std::uint32_t kRetryHighWords = 50;
/// The synthetic folder state: deleted, and bit 3 marking a folder made up by the search.
constexpr std::uint16_t kStateSynthetic = 9;
constexpr std::uint16_t kAttributeFolder = 0x10;

void Report(IProgress* pProgress, std::uint64_t u64Done) {
    _PROGRESS_INFO info;
    info.u32State = PROGRESS_STATE_RUNNING;
    info.u64Total = 100;
    info.u64Done = u64Done;
    pProgress->UpdateProgress(&info);
}

}  // namespace

CFATVolumeWalk::CFATVolumeWalk(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                               CFATSearchedPartitionInfo const* pRecord, IStorageDevice* pDevice,
                               FATVolumeGeometry const& geometry, IFATTable const* pTable)
    : m_pBuilder(pBuilder),
      m_pProgress(pProgress),
      m_pRecord(pRecord),
      m_pDevice(pDevice),
      m_geometry(geometry),
      m_pTable(pTable),
      m_pState(std::make_unique<FATWalkState>(geometry, pDevice)),
      m_pChildren(std::make_unique<CFATBuildChildren>(pBuilder, pRecord, pDevice, *m_pState, geometry, pTable)) {}

CFATVolumeWalk::~CFATVolumeWalk() = default;

RESULT CFATVolumeWalk::Drain() {
    std::uint64_t u64Done = 0;
    std::uint64_t u64LastPercent = 0;
    while (m_pState->walk.Pending() != 0) {
        if (m_pProgress) {
            if (!m_pProgress->Continued()) return ENGINE_RESULT(kModuleFatSearch, kCodeStopped);
            ++u64Done;
            std::uint64_t const u64Percent = u64Done * 100 / (u64Done + m_pState->walk.Pending());
            if (u64Percent > u64LastPercent) {
                u64LastPercent = u64Percent;
                Report(m_pProgress, u64Percent);
            }
        }
        std::optional<FATPendingFolder> next = m_pState->walk.TakeNext();
        if (!next) break;  // the walk's bound: only hostile links get here
        CFATFileNode* pFolder = next->pLive;
        bool bRetried = false;
        if (next->pDeleted) {
            // The tree builder files a node under the id it has when handed over, so the retry
            // settles the folder's first cluster before that: its files then find it.
            bRetried = BuildSubDirChild(*next->pDeleted);
            if (!bRetried) SeparateFromLiveFolder(*next->pDeleted);
            pFolder = next->pDeleted.release();
            if (!m_pChildren->HandOverDeletedFolder(pFolder)) continue;
        }
        CFATFileProperties* pProperties = pFolder->GetFileProperties();
        if (!pProperties || pFolder->GetFirstChild() != nullptr) continue;
        auto const fc = static_cast<std::uint32_t>(pProperties->GetFirstClusterNum());
        if (m_pChildren->BuildChildren(pFolder, fc, false) && bRetried)
            std::fprintf(stderr, "\n ++++++++++++++++FirstCluNum=%lld,fileName=%s\n", static_cast<long long>(fc),
                         pProperties->GetFileName());
    }
    return kResultSuccess;
}

void CFATVolumeWalk::ReportDone(std::uint64_t u64Percent) const {
    if (m_pProgress) Report(m_pProgress, u64Percent);
}

void CFATVolumeWalk::ClaimGuessedClusters(std::vector<std::uint32_t> folders, bool bRoot) {
    if (m_pTable == nullptr || m_pTable->AnswersLinks()) return;
    // A builder of its own: the claims' searches past files' data leave the reading walks' bound whole.
    CFATBuildChildren claimer(nullptr, m_pRecord, m_pDevice, *m_pState, m_geometry, m_pTable);
    // The live files the root's tree names first: no walk searches into one for its clusters
    // (an image kept as a file holds another volume's folders), nor starts inside one.
    if (bRoot) {
        std::vector<std::uint32_t> live;
        claimer.SurveyFolder(0, live);
        std::unordered_set<std::uint32_t> surveyed;
        while (!live.empty()) {
            std::uint32_t const u32Folder = live.back();
            live.pop_back();
            if (surveyed.insert(u32Folder).second) claimer.SurveyFolder(u32Folder, live);
        }
    }
    std::erase_if(folders, [this](std::uint32_t u32Folder) { return m_pState->foreign.Holds(u32Folder); });
    if (bRoot) claimer.ClaimFolder(0, m_guessed, folders);
    std::unordered_set<std::uint32_t> walked;
    while (!folders.empty()) {
        std::uint32_t const u32Folder = folders.back();
        folders.pop_back();
        if (walked.insert(u32Folder).second) claimer.ClaimFolder(u32Folder, m_guessed, folders);
    }
    m_guessed.Settle();
    m_pChildren->SetGuessedClusters(&m_guessed);
}

void CFATVolumeWalk::ReadUnownedClusters() {
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t const u32Cluster : m_guessed.Unowned()) ReadLostCluster(u32Cluster, buffer);
}

void CFATVolumeWalk::JudgeReusedClusters() {
    std::unordered_map<std::uint32_t, std::uint64_t> oldest;
    std::vector<std::uint8_t> buffer;
    fat::FATFolderParse parsed;
    m_pState->reused.Judge([&](std::uint32_t u32Cluster) -> std::uint64_t {
        if (!m_geometry.ClusterExists(u32Cluster) || !m_pState->walk.WasRead(u32Cluster)) return 0;
        auto const [it, bNew] = oldest.emplace(u32Cluster, 0);
        if (!bNew) return it->second;
        buffer.resize(static_cast<std::size_t>(m_geometry.ClusterBytes()));
        if (!m_pDevice->ReadSector(buffer.data(), static_cast<long long>(m_geometry.ClusterToSector(u32Cluster)),
                                   m_geometry.u32SectorsPerCluster))
            return 0;
        // Every entry in the cluster was written after the folder took it.
        fat::ParseFATFolderEntries(engine::ByteView(buffer.data(), buffer.size()), {false, m_geometry.u32Clusters},
                                   parsed);
        for (fat::FATFolderEntry const& entry : parsed.entries) {
            std::uint64_t const u64Written =
                CFATReusedClusters::WrittenBetween(
                    engine::DosDateTimeToFileTime(entry.u16CreationDate, entry.u16CreationTime),
                    engine::DosDateTimeToFileTime(entry.u16ModificationDate, entry.u16ModificationTime))
                    .u64First;
            if (u64Written != 0 && (it->second == 0 || u64Written < it->second)) it->second = u64Written;
        }
        return it->second;
    });
}

void CFATVolumeWalk::ReadLostCluster(std::uint64_t u64Cluster, std::vector<std::uint8_t>& buffer) {
    if (!m_geometry.ClusterExists(u64Cluster) || m_pState->walk.WasRead(u64Cluster) ||
        m_pState->foreign.Holds(u64Cluster))
        return;
    std::size_t const clusterBytes = static_cast<std::size_t>(m_geometry.ClusterBytes());
    buffer.resize(clusterBytes);
    std::uint64_t const u64Sector = m_geometry.ClusterToSector(u64Cluster);
    if (!m_pDevice->ReadSector(buffer.data(), static_cast<long long>(u64Sector), m_geometry.u32SectorsPerCluster))
        return;
    m_pState->walk.MarkRead(u64Cluster);
    // A name whose first pieces a folder's walk (or the lost cluster before) ended with goes on here.
    std::vector<std::uint8_t> const head = m_pState->nameTails.TakeFor(engine::ByteView(buffer.data(), buffer.size()));
    buffer.insert(buffer.begin(), head.begin(), head.end());
    // The entries' parent cluster is one no folder has: the tree builder files them as orphans.
    // It is never shown, so it takes no number of the visible synthetic folders.
    std::unique_ptr<CFATFileNode> pParent =
        MakeSyntheticFolder("", FATFolderSector::kNotFirst, FATFolderSector::kNotFirst);
    FATRevisionLists lists;
    std::uint32_t const u32Consumed = m_pChildren->BuildChildrenFromBuffer(
        engine::ByteView(buffer.data(), buffer.size()), u64Sector * m_geometry.u32SectorSize - head.size(),
        pParent.get(), lists, true);
    if (u32Consumed < buffer.size())
        m_pState->nameTails.Keep(engine::ByteView(buffer.data() + u32Consumed, buffer.size() - u32Consumed));
    m_pChildren->FinishFolder(lists);
    Drain();
}

std::unique_ptr<CFATFileNode> CFATVolumeWalk::MakeSyntheticFolder(std::string const& name, std::uint32_t u32Cluster,
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

void CFATVolumeWalk::SeparateFromLiveFolder(CFATFileNode& folder) {
    CFATFileProperties const* pProperties = folder.GetFileProperties();
    if (!pProperties) return;
    if (std::optional<long long> const ownId =
            m_pState->walk.OwnIdFor(static_cast<std::uint64_t>(pProperties->GetFirstClusterNum())))
        folder.SetCurrentNodeID(*ownId);
}

bool CFATVolumeWalk::BuildSubDirChild(CFATFileNode& folder) {
    CFATFileProperties* pProperties = folder.GetFileProperties();
    if (m_geometry.eType != FILE_SYSTEM_FAT32 || !pProperties || !pProperties->IsDirectory() ||
        pProperties->GetState() != CFATFileProperties::kStateDeleted)
        return false;
    if (m_pChildren->CanStartFolder(static_cast<std::uint32_t>(pProperties->GetFirstClusterNum()))) return false;
    std::uint32_t const u32Low = static_cast<std::uint32_t>(pProperties->GetFirstClusterNum()) % 0x10000;
    for (std::uint32_t i = 0; i < kRetryHighWords; ++i) {
        std::uint32_t const u32Cluster = u32Low + i * 0x10000;
        ReleasePtr<IDataRunList> pRuns = m_pChildren->BuildDataRunList(u32Cluster, pProperties->GetFileSize(), true);
        if (!pRuns || !m_pChildren->CanStartFolder(u32Cluster)) continue;
        folder.SetDataRunList(std::move(pRuns));
        pProperties->SetFirstClusterNum(u32Cluster);
        folder.SetCurrentNodeID(u32Cluster);
        return true;
    }
    return false;
}
