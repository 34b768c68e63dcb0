#include "engine/core/recovery/CompleteRecoveryController.h"

#include <algorithm>
#include <functional>
#include <thread>

#include "engine/CatchExeception.h"
#include "engine/EngineEntryPoints.h"
#include "engine/IProgress.h"
#include "engine/IRestoreScanSink.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/copyout/DataRecovery.h"
#include "engine/core/partition/PartitionTableAnalyze.h"
#include "engine/core/recovery/ControllerSupport.h"
#include "engine/core/util/LanePipeline.h"

namespace {

constexpr std::uint32_t kBlockBytes = 0x400000;
constexpr std::uint32_t kFallbackBlockSectors = 8192;  // for sectors larger than a block
constexpr int kAssumedSectorSize = 512;                // for a device that does not say
/// How far the searchers may run apart, in blocks: those in flight stay among the cache's recent
/// blocks, which serve their reads.
constexpr std::size_t kRunAheadBlocks = CStorageDeviceWithCache::kRecentBlocks - 1;
/// The searchers that read a scanned file's volumes: the file systems' (its files were carved
/// with the device's blocks already).
constexpr _tagSearcherType kFileSearchers[] = {SEARCHER_TYPE_HFSPLUS, SEARCHER_TYPE_EXFAT, SEARCHER_TYPE_FAT,
                                               SEARCHER_TYPE_NTFS};

/// The scan's progress as a file's scan sees it: it stops and pauses with the scan, and its own
/// block pass moves no bar.
class CQuietProgress final : public IProgress {
public:
    explicit CQuietProgress(IProgress& progress) : m_progress(progress) {}
    void UpdateProgress(_PROGRESS_INFO*) override {}
    int Continued() override { return m_progress.Continued(); }
    int shouldBuild() override { return m_progress.shouldBuild(); }

private:
    IProgress& m_progress;
};

}  // namespace

void SetCompleteScanThreads(unsigned int uThreads) { CCompleteRecoveryController::SetSearchThreads(uThreads); }

CCompleteRecoveryController::~CCompleteRecoveryController() {
    for (auto& pRun : m_runs) Teardown(*pRun);
}

void CCompleteRecoveryController::Teardown(Run& run) {
    for (auto& pFile : run.files) Teardown(*pFile);
    run.files.clear();
    for (SearcherEntry& entry : run.searchers) entry.pSearcher.reset();
    run.pFileBuilder.reset();
    run.pSearchersBuilder.reset();
    run.pBuilder.reset();
    if (run.pCache) run.pCache->EndCache();
    run.pCache.reset();
    run.pView.reset();
}

std::uint32_t CCompleteRecoveryController::BlockSectors(int iSectorSize) {
    std::uint32_t const u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kAssumedSectorSize;
    std::uint32_t const u32Sectors = kBlockBytes / u32SectorSize;
    return u32Sectors != 0 ? u32Sectors : kFallbackBlockSectors;
}

unsigned int CCompleteRecoveryController::PoolThreads(std::size_t uSearchers) {
    unsigned int uThreads = s_uSearchThreads.load();
    if (uThreads == 0) uThreads = std::max(std::thread::hardware_concurrency(), 1U);
    return static_cast<unsigned int>(std::clamp<std::size_t>(uSearchers, 1, uThreads));
}

int CCompleteRecoveryController::Initialize(IRecoveryFilter* pFilter) {
    m_pFilter = pFilter;
    return pFilter ? 1 : 0;
}

void CCompleteRecoveryController::CreateSearchers(Run& run, IProgress* pProgress, bool bFile) {
    EngineEntryPoints const& entries = GetEngineEntryPoints();
    struct Kind {
        _tagSearcherType eType;
        EngineEntryPoints::CompleteSearcherFactory const& factory;
        bool bReportsProgress;
    };
    // Every block goes to the searchers in this order.
    Kind const kinds[] = {
        {SEARCHER_TYPE_HFSPLUS, entries.CreateHFSPlusSearcher, true},
        {SEARCHER_TYPE_EXFAT, entries.CreateEXFatSearcher, false},
        {SEARCHER_TYPE_FAT, entries.CreateFATSearcher, false},
        {SEARCHER_TYPE_RAW, entries.CreateRAWSearcher, true},
        {SEARCHER_TYPE_NTFS, entries.CreateNTFSSearcher, false},
    };
    for (Kind const& kind : kinds) {
        if (!kind.factory) continue;
        if (bFile &&
            std::find(std::begin(kFileSearchers), std::end(kFileSearchers), kind.eType) == std::end(kFileSearchers))
            continue;
        std::unique_ptr<ICompleteFileSystemSearchController> pSearcher(kind.factory());
        if (!pSearcher) continue;
        if (kind.bReportsProgress) pSearcher->SetIProgressSink(pProgress);
        run.searchers.push_back({kind.eType, std::move(pSearcher)});
    }
}

RESULT CCompleteRecoveryController::StartDataRecovery(IStorageDevice* pDevice, IProgress* pProgress,
                                                      IDrirectoryTree* pTree) {
    if (!pDevice || !pProgress || !pTree) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadScanRange);
    recovery::ReportProgress(pProgress, PROGRESS_STATE_RUNNING, 1, 0);
    bool const bRestore = m_pRestoreSink != nullptr;

    m_runs.push_back(std::make_unique<Run>());
    Run& run = *m_runs.back();
    if (RESULT const made = recovery::CreateRunBuilder(bRestore, pDevice, pTree, m_pFilter, run.pBuilder); Failed(made))
        return made;

    CreateSearchers(run, pProgress, false);
    if (run.searchers.empty()) return ENGINE_RESULT(kModuleRecoveryController, kCodeNoSearcher);

    if (!bRestore) recovery::FlushFileSystems();
    run.pDevice = pDevice;
    std::uint32_t const u32BlockSectors = BlockSectors(pDevice->GetSectorSize());
    run.pCache = std::make_unique<CStorageDeviceWithCache>(pDevice);
    if (!run.pCache->SetBlockSize(u32BlockSectors)) return ENGINE_RESULT(kModuleRecoveryController, kCodeOutOfMemory);
    // A results file is replayed without touching the device: nothing is read ahead.
    if (!bRestore) run.pCache->BeginCache();

    run.pSearchersBuilder = std::make_unique<CLockedTreeBuilder>(run.pBuilder.get());
    PrepareSearchers(run, run.pSearchersBuilder.get(), u32BlockSectors, !bRestore);

    RESULT result = kResultSuccess;
    if (bRestore) {
        m_pRestoreSink->SetDirecotryTreeBuilder(run.pBuilder.get(), pProgress, pDevice);
    } else {
        result = SearchData(0, pDevice->GetTotalSectors() - 1, pProgress);
        // The pass is over: free the read-ahead blocks and the reader before the trees are
        // built. Reads through the cache still reach the device.
        run.pCache->EndCache();
    }
    EndSearches(run, pProgress, 0);

    RESULT const readFailure = run.pCache->GetReadFailure();
    recovery::ReportProgress(pProgress, PROGRESS_STATE_FINISHED, 1, 1, Failed(result) ? result : readFailure);
    return result;
}

void CCompleteRecoveryController::PrepareSearchers(Run& run, IDirecotryTreeBuilder* pBuilder,
                                                   std::uint32_t u32BlockSectors, bool bSearch) {
    if (bSearch) {
        run.pVolumes = std::make_unique<CFoundVolumes>(partition::ListedStarts(run.pDevice));
        run.pVolumes->SetPass(u32BlockSectors, kRunAheadBlocks);
    }
    for (SearcherEntry& entry : run.searchers) {
        entry.pSearcher->SetDevice(run.pCache.get());
        entry.pSearcher->SetBlockSize(static_cast<int>(u32BlockSectors));
        entry.pSearcher->SetDirecotryTreeBuilder(pBuilder);
        entry.pSearcher->SetFoundVolumes(run.pVolumes.get());
        if (bSearch) entry.pSearcher->PreparetoSearch();
    }
}

void CCompleteRecoveryController::EndSearches(Run& run, IProgress* pProgress, int iDepth) {
    bool const bBuild = run.pVolumes && pProgress->shouldBuild() != 0;
    if (bBuild) {
        std::vector<IVolumeReporter*> reporters;
        for (SearcherEntry& entry : run.searchers)
            if (IVolumeReporter* pReporter = entry.pSearcher->VolumeReporter()) reporters.push_back(pReporter);
        run.pVolumes->Gather(reporters);
        std::lock_guard const lock(m_endLock);
        run.pVolumes->Resolve(*run.pCache, run.pPlacement.get());
    }
    for (SearcherEntry& entry : run.searchers) {
        // A stopped scan builds no carved-file tree: it would take long and show fragments.
        if (entry.eType == SEARCHER_TYPE_RAW && !pProgress->Continued()) continue;
        entry.pSearcher->EndSearch(pProgress->shouldBuild());
    }
    if (run.pVolumes)
        for (_tagSearcherType const eType : kFileSearchers) run.indexSpan[eType] = run.pVolumes->IndexBound(eType);
    if (bBuild) ScanFiles(run, pProgress, iDepth);
}

void CCompleteRecoveryController::ScanFiles(Run& run, IProgress* pProgress, int iDepth) {
    IStorageDevice* pDevice = m_runs.back()->pDevice;  // views are given on the scanned device
    IDirecotryTreeBuilder* pParentBuilder = run.pFileBuilder
                                                ? static_cast<IDirecotryTreeBuilder*>(run.pFileBuilder.get())
                                                : static_cast<IDirecotryTreeBuilder*>(run.pSearchersBuilder.get());
    for (CFoundVolumes::FileScan const& scan : run.pVolumes->FileScans()) {
        if (!pProgress->Continued()) break;
        if (!scan.pPlacement || !scan.pPlacement->HasView()) continue;
        if (iDepth + 1 > kMaxFileScanDepth) {
            CatchExeception::WriteLog("complete scan: %s is not scanned: files nested too deep\n", scan.name.c_str());
            continue;
        }
        // Its volumes' partition indexes follow those taken so far.
        std::map<_tagSearcherType, std::uint16_t> bases;
        bool bFits = true;
        for (_tagSearcherType const eType : kFileSearchers) {
            std::uint32_t const u32Base = run.indexSpan[eType];
            bFits = bFits && u32Base < CSearchedPartitionInfo::kNoPartitionIndex / 2;
            bases[eType] =
                static_cast<std::uint16_t>(std::min<std::uint32_t>(u32Base, CSearchedPartitionInfo::kNoPartitionIndex));
        }
        if (!bFits) {
            CatchExeception::WriteLog("complete scan: %s is not scanned: too many volumes\n", scan.name.c_str());
            continue;
        }
        auto pFile = std::make_unique<Run>();
        Run& file = *pFile;
        file.pPlacement = scan.pPlacement;
        file.pView =
            std::make_unique<CFileViewDevice>(*pDevice, scan.pPlacement->m_view, scan.pPlacement->m_s64ViewSectors);
        file.pDevice = file.pView.get();
        CQuietProgress quiet(*pProgress);
        CreateSearchers(file, &quiet, true);
        std::uint32_t const u32BlockSectors = BlockSectors(file.pView->GetSectorSize());
        file.pCache = std::make_unique<CStorageDeviceWithCache>(file.pView.get());
        if (file.searchers.empty() || !file.pCache->SetBlockSize(u32BlockSectors)) continue;
        file.pCache->BeginCache();
        file.pFileBuilder = std::make_unique<CFileScanTreeBuilder>(*pParentBuilder, bases);
        PrepareSearchers(file, file.pFileBuilder.get(), u32BlockSectors, true);
        {
            std::lock_guard const lock(m_endLock);
            run.files.push_back(std::move(pFile));
        }
        PassBlocks(file, 0, file.pView->GetTotalSectors() - 1, &quiet, false);
        file.pCache->EndCache();
        EndSearches(file, &quiet, iDepth + 1);
        for (_tagSearcherType const eType : kFileSearchers) run.indexSpan[eType] += file.indexSpan[eType];
    }
}

RESULT CCompleteRecoveryController::SearchData(long long s64First, long long s64Last, IProgress* pProgress) {
    if (m_runs.empty() || !m_runs.back()->pCache) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadArgument);
    return PassBlocks(*m_runs.back(), s64First, s64Last, pProgress, true);
}

RESULT CCompleteRecoveryController::PassBlocks(Run& run, long long s64First, long long s64Last, IProgress* pProgress,
                                               bool bReport) {
    CStorageDeviceWithCache* pCache = run.pCache.get();
    if (!pProgress || !pCache) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadArgument);
    if (s64First > s64Last) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadScanRange);
    std::vector<SearcherEntry>& searchers = run.searchers;
    CLockedTreeBuilder* pBuilder = m_runs.back()->pSearchersBuilder.get();

    std::int64_t const s64BlockSectors = BlockSectors(pCache->GetSectorSize());
    std::int64_t const s64Total = pCache->GetTotalSectors();
    s64First = std::clamp<std::int64_t>(s64First, 0, std::max<std::int64_t>(s64Total, 0));
    s64Last = std::min<std::int64_t>(s64Last, s64Total - 1);
    if (s64First > s64Last) return kResultSuccess;  // nothing of the range lies on the device

    std::int64_t const s64FirstBlock = s64First / s64BlockSectors;
    std::int64_t const s64LastBlock = s64Last / s64BlockSectors;
    std::uint64_t const u64Blocks = static_cast<std::uint64_t>(s64LastBlock - s64FirstBlock + 1);

    _PROGRESS_INFO info;
    info.u64Total = u64Blocks + 1;
    if (bReport) pProgress->UpdateProgress(&info);
    info.u32State = PROGRESS_STATE_RUNNING;

    // Each searcher is a lane that takes every block in order, holding it while it works: the
    // searchers run some blocks apart instead of waiting for the slowest at every block's end,
    // and the cache serves their reads from the blocks in flight.
    struct BlockItem {
        ICompleteFileSystemSearchController::SharedBlock block;
        long long s64First = 0;
        long long s64Count = 0;
    };
    std::vector<engine::LanePipeline<BlockItem>::Lane> lanes;
    for (SearcherEntry& entry : searchers)
        lanes.emplace_back([&entry](BlockItem const& item) {
            entry.pSearcher->AnalyzeSharedBlock(item.block, item.s64First, item.s64Count);
        });
    engine::LanePipeline<BlockItem> pipeline(std::move(lanes), PoolThreads(searchers.size()), kRunAheadBlocks);

    std::uint64_t u64Done = 0;
    for (std::int64_t s64Block = s64FirstBlock; s64Block <= s64LastBlock; ++s64Block) {
        if (!pProgress->Continued()) break;
        if (!pCache->SetCurCacheBlock(s64Block)) {
            // Only a device that shrank under the scan gets here; analysing the previous block
            // again would report its files twice.
            CatchExeception::WriteLog("complete scan: block %lld never arrived; the scan ends there\n",
                                      static_cast<long long>(s64Block));
            pipeline.Finish();
            return ENGINE_RESULT(kModuleRecoveryController, kCodeIoFailure);
        }
        std::int64_t const s64Start = s64Block * s64BlockSectors;
        pipeline.Push(
            {pCache->CurrentSharedBlock(), s64Start, std::min<std::int64_t>(s64BlockSectors, s64Last - s64Start + 1)});
        // Files found before a stretch without any (random data, a blank disk) are shown now,
        // not when the searchers build their trees at the end.
        if (pBuilder) pBuilder->ShowDueNodes();
        // Counted once handed over: the searchers are at most a few blocks behind.
        u64Done = std::min(u64Done + 1, info.u64Total);
        info.u64Done = u64Done * kBlockPassPercent / 100;
        if (bReport) pProgress->UpdateProgress(&info);
    }
    pipeline.Finish();
    return kResultSuccess;
}

void CCompleteRecoveryController::CollectPartitions(Run const& run, _tagSearcherType eType,
                                                    std::vector<std::unique_ptr<CSearchedPartitionInfo>>& partitions) {
    std::size_t const first = partitions.size();
    for (SearcherEntry const& entry : run.searchers) {
        if (entry.eType != eType || !entry.pSearcher) continue;
        for (std::unique_ptr<CSearchedPartitionInfo>& pPartition : CDataRecovery::FetchPartitions(*entry.pSearcher)) {
            std::shared_ptr<CVolumePlacement const> pPlacement =
                run.pVolumes ? run.pVolumes->PlacementOf(eType, pPartition->m_s64StartSector) : nullptr;
            pPartition->m_pPlacement = pPlacement ? pPlacement : run.pPlacement;
            partitions.push_back(std::move(pPartition));
        }
    }
    for (auto const& pFile : run.files) CollectPartitions(*pFile, eType, partitions);
    // This run's and its files' indexes, as this run's own builder moved its nodes.
    if (run.pFileBuilder)
        for (std::size_t k = first; k < partitions.size(); ++k)
            partitions[k]->m_u16PartitionIndex = run.pFileBuilder->Moved(eType, partitions[k]->m_u16PartitionIndex);
}

IDataRecovery* CCompleteRecoveryController::GetDataRecovery(_tagSearcherType eType) const {
    if (m_runs.empty()) return nullptr;
    Run const& run = *m_runs.back();
    auto it = std::find_if(run.searchers.begin(), run.searchers.end(),
                           [eType](SearcherEntry const& entry) { return entry.eType == eType; });
    if (it == run.searchers.end() || !it->pSearcher) return nullptr;
    if (m_pRestoreSink) return recovery::MakeDataRecovery(m_pRestoreSink, eType, it->pSearcher.get(), run.pDevice);
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> partitions;
    {
        std::lock_guard const lock(m_endLock);
        CollectPartitions(run, eType, partitions);
    }
    ReleasePtr<CDataRecovery> pRecovery(new CDataRecovery());
    if (Failed(pRecovery->Initialize(std::move(partitions), run.pDevice))) return nullptr;
    return pRecovery.release();
}
