#include "engine/fat/FATBuildWorker.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/ondisk/FATTableCheck.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

constexpr std::uint32_t kCodeRootUnreadable = 1;
constexpr std::uint32_t kCodeStopped = 0xd;
constexpr std::uint32_t kRetryHighWords = 50;

void Report(IProgress* pProgress, std::uint64_t u64Done) {
    _PROGRESS_INFO info;
    info.u32State = PROGRESS_STATE_RUNNING;
    info.u64Total = 100;
    info.u64Done = u64Done;
    pProgress->UpdateProgress(&info);
}

}  // namespace

CFATBuildWorker::CFATBuildWorker(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress, CFATSearchedPartitionInfo const* pRecord,
                                 IStorageDevice* pDevice, FATVolumeGeometry const& geometry, IFATTable const* pTable)
    : m_pBuilder(pBuilder),
      m_pProgress(pProgress),
      m_pRecord(pRecord),
      m_pDevice(pDevice),
      m_geometry(geometry),
      m_pTable(pTable),
      m_state(geometry) {}

bool CFATBuildWorker::IsFullValidDBR(engine::ByteView bootSector, long long s64Start, IStorageDevice* pDevice) {
    if (!pDevice || s64Start < 0) return false;
    int const iSectorSize = pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize > 4096) return false;
    CTempFATDBR const dbr(bootSector, static_cast<std::uint32_t>(iSectorSize));
    if (!dbr.IsValidDBR()) return false;
    if (std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat() > dbr.GetTotalSectors()) return false;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize));
    for (std::uint64_t const u64Offset : {std::uint64_t{0}, std::uint64_t{dbr.GetSectorsPerFat()}}) {
        long long const s64Sector = s64Start + dbr.GetReservedSector() + static_cast<long long>(u64Offset);
        FileSystemType eType = FILE_SYSTEM_UNRECOGNISED;
        if (pDevice->ReadSector(sector.data(), s64Sector, 1) &&
            fat::IsValidFATTableFirstSector(engine::ByteView(sector.data(), sector.size()), eType))
            return true;
    }
    return false;
}

RESULT CFATBuildWorker::QuickBuildDirectoryTree() {
    CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
    CFATBuildChildren children(m_pBuilder, m_pRecord, m_pDevice, m_state, m_geometry, m_pTable);
    ClaimGuessedClusters(children, {}, true);
    if (!children.BuildRoot()) return ENGINE_RESULT(kModuleFatSearch, kCodeRootUnreadable);
    RESULT const result = DrainWalk(children);
    if (result == kResultSuccess) ReadUnownedClusters(children);
    if (m_pProgress && result == kResultSuccess) Report(m_pProgress, 100);
    return result;
}

RESULT CFATBuildWorker::DrainWalk(CFATBuildChildren& children) {
    std::uint64_t u64Done = 0;
    std::uint64_t u64LastPercent = 0;
    while (m_state.walk.Pending() != 0) {
        if (m_pProgress) {
            if (!m_pProgress->Continued()) return ENGINE_RESULT(kModuleFatSearch, kCodeStopped);
            ++u64Done;
            std::uint64_t const u64Percent = u64Done * 100 / (u64Done + m_state.walk.Pending());
            if (u64Percent > u64LastPercent) {
                u64LastPercent = u64Percent;
                Report(m_pProgress, u64Percent);
            }
        }
        std::optional<FATPendingFolder> next = m_state.walk.TakeNext();
        if (!next) break;  // the walk's bound: only hostile links get here
        CFATFileNode* pFolder = next->pLive;
        bool bRetried = false;
        if (next->pDeleted) {
            // The tree builder files a node under the id it has when handed over, so the retry
            // settles the folder's first cluster before that: its files then find it.
            bRetried = BuildSubDirChild(children, *next->pDeleted);
            if (!bRetried) SeparateFromLiveFolder(*next->pDeleted);
            pFolder = next->pDeleted.release();
            if (!children.HandOverDeletedFolder(pFolder)) continue;
        }
        CFATFileProperties* pProperties = pFolder->GetFileProperties();
        if (!pProperties || pFolder->GetFirstChild() != nullptr) continue;
        auto const fc = static_cast<std::uint32_t>(pProperties->GetFirstClusterNum());
        if (children.BuildChildren(pFolder, fc, false) && bRetried)
            std::fprintf(stderr, "\n ++++++++++++++++FirstCluNum=%lld,fileName=%s\n", static_cast<long long>(fc),
                         pProperties->GetFileName());
    }
    return kResultSuccess;
}

void CFATBuildWorker::ClaimGuessedClusters(CFATBuildChildren& children, std::vector<std::uint32_t> folders, bool bRoot) {
    if (m_pTable == nullptr || m_pTable->AnswersLinks()) return;
    // A builder of its own: the claims' searches past files' data leave the reading walks' bound whole.
    CFATBuildChildren claimer(nullptr, m_pRecord, m_pDevice, m_state, m_geometry, m_pTable);
    if (bRoot) claimer.ClaimFolder(0, m_guessed, folders);
    std::unordered_set<std::uint32_t> walked;
    while (!folders.empty()) {
        std::uint32_t const u32Folder = folders.back();
        folders.pop_back();
        if (walked.insert(u32Folder).second) claimer.ClaimFolder(u32Folder, m_guessed, folders);
    }
    m_guessed.Settle();
    children.SetGuessedClusters(&m_guessed);
}

void CFATBuildWorker::ReadUnownedClusters(CFATBuildChildren& children) {
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t const u32Cluster : m_guessed.Unowned()) ReadLostCluster(children, u32Cluster, buffer);
}

void CFATBuildWorker::SeparateFromLiveFolder(CFATFileNode& folder) {
    CFATFileProperties const* pProperties = folder.GetFileProperties();
    if (!pProperties) return;
    if (std::optional<long long> const ownId = m_state.walk.OwnIdFor(static_cast<std::uint64_t>(pProperties->GetFirstClusterNum())))
        folder.SetCurrentNodeID(*ownId);
}

bool CFATBuildWorker::BuildSubDirChild(CFATBuildChildren& children, CFATFileNode& folder) {
    CFATFileProperties* pProperties = folder.GetFileProperties();
    if (m_geometry.eType != FILE_SYSTEM_FAT32 || !pProperties || !pProperties->IsDirectory() ||
        pProperties->GetState() != CFATFileProperties::kStateDeleted)
        return false;
    if (children.CanStartFolder(static_cast<std::uint32_t>(pProperties->GetFirstClusterNum()))) return false;
    std::uint32_t const u32Low = static_cast<std::uint32_t>(pProperties->GetFirstClusterNum()) % 0x10000;
    for (std::uint32_t i = 0; i < kRetryHighWords; ++i) {
        std::uint32_t const u32Cluster = u32Low + i * 0x10000;
        ReleasePtr<IDataRunList> pRuns = children.BuildDataRunList(u32Cluster, pProperties->GetFileSize(), true);
        if (!pRuns || !children.CanStartFolder(u32Cluster)) continue;
        folder.SetDataRunList(std::move(pRuns));
        pProperties->SetFirstClusterNum(u32Cluster);
        folder.SetCurrentNodeID(u32Cluster);
        return true;
    }
    return false;
}
