#include "engine/core/recovery/CompleteRecoveryController.h"

#include <algorithm>
#include <functional>
#include <thread>

#include "engine/EngineEntryPoints.h"
#include "engine/IProgress.h"
#include "engine/IRestoreScanSink.h"
#include "engine/core/recovery/ControllerSupport.h"
#include "engine/core/util/LanePipeline.h"
#include "engine/CatchExeception.h"

namespace {

constexpr std::uint32_t kBlockBytes = 0x400000;
constexpr std::uint32_t kFallbackBlockSectors = 8192;  // for sectors larger than a block
constexpr int kAssumedSectorSize = 512;                // for a device that does not say
/// How far the searchers may run apart, in blocks: those in flight stay among the cache's recent
/// blocks, which serve their reads.
constexpr std::size_t kRunAheadBlocks = CStorageDeviceWithCache::kRecentBlocks - 1;

}  // namespace

void SetCompleteScanThreads(unsigned int uThreads) { CCompleteRecoveryController::SetSearchThreads(uThreads); }

CCompleteRecoveryController::~CCompleteRecoveryController() {
    for (auto& pRun : m_runs) {
        for (SearcherEntry& entry : pRun->searchers) entry.pSearcher.reset();
        pRun->pSearchersBuilder.reset();
        pRun->pBuilder.reset();
        if (pRun->pCache) pRun->pCache->EndCache();
        pRun->pCache.reset();
    }
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

void CCompleteRecoveryController::CreateSearchers(Run& run, IProgress* pProgress) {
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

    CreateSearchers(run, pProgress);
    if (run.searchers.empty()) return ENGINE_RESULT(kModuleRecoveryController, kCodeNoSearcher);

    if (!bRestore) recovery::FlushFileSystems();
    run.pDevice = pDevice;
    std::uint32_t const u32BlockSectors = BlockSectors(pDevice->GetSectorSize());
    run.pCache = std::make_unique<CStorageDeviceWithCache>(pDevice);
    if (!run.pCache->SetBlockSize(u32BlockSectors)) return ENGINE_RESULT(kModuleRecoveryController, kCodeOutOfMemory);
    // A results file is replayed without touching the device: nothing is read ahead.
    if (!bRestore) run.pCache->BeginCache();

    run.pSearchersBuilder = std::make_unique<CLockedTreeBuilder>(run.pBuilder.get());
    for (SearcherEntry& entry : run.searchers) {
        entry.pSearcher->SetDevice(run.pCache.get());
        entry.pSearcher->SetBlockSize(static_cast<int>(u32BlockSectors));
        entry.pSearcher->SetDirecotryTreeBuilder(run.pSearchersBuilder.get());
        if (!bRestore) entry.pSearcher->PreparetoSearch();
    }

    RESULT result = kResultSuccess;
    if (bRestore) {
        m_pRestoreSink->SetDirecotryTreeBuilder(run.pBuilder.get(), pProgress, pDevice);
    } else {
        result = SearchData(0, pDevice->GetTotalSectors() - 1, pProgress);
        // The pass is over: free the read-ahead blocks and the reader before the trees are
        // built. Reads through the cache still reach the device.
        run.pCache->EndCache();
    }
    EndSearches(run, pProgress);

    RESULT const readFailure = run.pCache->GetReadFailure();
    recovery::ReportProgress(pProgress, PROGRESS_STATE_FINISHED, 1, 1, Failed(result) ? result : readFailure);
    return result;
}

void CCompleteRecoveryController::EndSearches(Run& run, IProgress* pProgress) {
    for (SearcherEntry& entry : run.searchers) {
        // A stopped scan builds no carved-file tree: it would take long and show fragments.
        if (entry.eType == SEARCHER_TYPE_RAW && !pProgress->Continued()) continue;
        entry.pSearcher->EndSearch(pProgress->shouldBuild());
    }
}

RESULT CCompleteRecoveryController::SearchData(long long s64First, long long s64Last, IProgress* pProgress) {
    CStorageDeviceWithCache* pCache = m_runs.empty() ? nullptr : m_runs.back()->pCache.get();
    if (!pProgress || !pCache) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadArgument);
    if (s64First > s64Last) return ENGINE_RESULT(kModuleRecoveryController, kCodeBadScanRange);
    std::vector<SearcherEntry>& searchers = m_runs.back()->searchers;
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
    pProgress->UpdateProgress(&info);
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
        lanes.emplace_back([&entry](BlockItem const& item) { entry.pSearcher->AnalyzeSharedBlock(item.block, item.s64First, item.s64Count); });
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
        pipeline.Push({pCache->CurrentSharedBlock(), s64Start, std::min<std::int64_t>(s64BlockSectors, s64Last - s64Start + 1)});
        // Files found before a stretch without any (random data, a blank disk) are shown now,
        // not when the searchers build their trees at the end.
        if (pBuilder) pBuilder->ShowDueNodes();
        // Counted once handed over: the searchers are at most a few blocks behind.
        u64Done = std::min(u64Done + 1, info.u64Total);
        info.u64Done = u64Done * kBlockPassPercent / 100;
        pProgress->UpdateProgress(&info);
    }
    pipeline.Finish();
    return kResultSuccess;
}

IDataRecovery* CCompleteRecoveryController::GetDataRecovery(_tagSearcherType eType) const {
    if (m_runs.empty()) return nullptr;
    Run const& run = *m_runs.back();
    auto it = std::find_if(run.searchers.begin(), run.searchers.end(),
                           [eType](SearcherEntry const& entry) { return entry.eType == eType; });
    if (it == run.searchers.end() || !it->pSearcher) return nullptr;
    return recovery::MakeDataRecovery(m_pRestoreSink, eType, it->pSearcher.get(), run.pDevice);
}
