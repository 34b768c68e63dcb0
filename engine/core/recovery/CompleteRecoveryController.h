#pragma once
// The complete scan: every complete searcher (HFS+, exFAT, FAT, signature search, NTFS) is
// handed every block of the device once, in ascending order, where the read-ahead cache holds
// it; the searchers run at once on a pool of threads, each at its own pace within a window of
// blocks (quick ones do not wait for the slowest at every block's end). At the end the searchers
// first report the volumes they found, with what each uses now and the files that hold other
// volumes (CFoundVolumes decides what each volume may read), then each builds its trees. A file
// holding a volume image in pieces, or cut short, is then scanned as a device of its own by the
// file systems' searchers, its volumes joining the same trees. A run from a results file reads no
// block: the restore sink replays the stored nodes instead.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"
#include "engine/core/cache/StorageDeviceWithCache.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/device/FileViewDevice.h"
#include "engine/core/recovery/FileScanTreeBuilder.h"
#include "engine/core/recovery/LockedTreeBuilder.h"

class CCompleteRecoveryController : public IRecoveryController {
public:
    /// The block pass fills this share of the progress; the searchers' tree building the rest.
    static constexpr std::uint64_t kBlockPassPercent = 80;
    /// Files inside files inside files are scanned down to this depth.
    static constexpr int kMaxFileScanDepth = 4;

    ~CCompleteRecoveryController() override;

    _RECOVERY_CONTROLLER_TYPE thisType() const override { return RECOVERY_CONTROLLER_COMPLETE_VOLUME; }
    int Initialize(IRecoveryFilter* pFilter) override;
    /// Module 0x04: 0x403 for a null argument, 4 without a builder, 1 when the builder does not
    /// initialise, 0x402 when no searcher could be made; otherwise SearchData's result. A read
    /// failure of the cache does not fail the scan: the final progress record carries it.
    RESULT StartDataRecovery(IStorageDevice* pDevice, IProgress* pProgress, IDrirectoryTree* pTree) override;
    /// Over the partitions the searchers of `eType` found, on the device and in the files
    /// scanned, each with where it lies; read from the scanned device itself.
    IDataRecovery* GetDataRecovery(_tagSearcherType eType) const override;
    void SetRestoreScanSink(IRestoreScanSink* pSink) override { m_pRestoreSink = pSink; }
    void Release() override { delete this; }

    /// Hands sectors `s64First` to `s64Last` to every searcher, block by block, and reports
    /// progress. 0 also when stopped; module 0x04: 5 without a sink or a cache, 0x403 when first
    /// lies after last, 1 when the cache could not deliver a block.
    RESULT SearchData(long long s64First, long long s64Last, IProgress* pProgress);

    /// The complete scan's block: 4 MiB in the device's sectors.
    static std::uint32_t BlockSectors(int iSectorSize);
    /// The threads the searchers run on, for scans started from now on; 0 (the default) sizes
    /// the pool to the machine, 1 runs every searcher of a block, in order, before the next
    /// block. The results do not depend on it.
    static void SetSearchThreads(unsigned int uThreads) { s_uSearchThreads = uThreads; }

private:
    struct SearcherEntry {
        _tagSearcherType eType;
        std::unique_ptr<ICompleteFileSystemSearchController> pSearcher;
    };

    /// One run's objects: the scanned device's, or a scanned file's (below its parent run).
    /// Declared so that destruction goes the files' runs, searchers, builders, cache.
    struct Run {
        std::unique_ptr<CFileViewDevice> pView;  // a file's run: the file's bytes
        std::unique_ptr<CStorageDeviceWithCache> pCache;
        ReleasePtr<IDirecotryTreeBuilder> pBuilder;             // the device's run only
        std::unique_ptr<CLockedTreeBuilder> pSearchersBuilder;  // the device's run: pBuilder, one call at a time
        std::unique_ptr<CFileScanTreeBuilder> pFileBuilder;     // a file's run: into its parent's
        std::unique_ptr<CFoundVolumes> pVolumes;
        std::shared_ptr<CVolumePlacement const> pPlacement;   // a file's run: where the file lies
        std::vector<SearcherEntry> searchers;                 // in creation order
        IStorageDevice* pDevice = nullptr;                    // not owned: the scanned device, or the view
        std::map<_tagSearcherType, std::uint32_t> indexSpan;  // partition indexes its searchers and files take
        std::vector<std::unique_ptr<Run>> files;              // the files scanned as devices of their own
    };

    void CreateSearchers(Run& run, IProgress* pProgress, bool bFile);
    /// Gives the run's searchers its cache, block size, `pBuilder` and, for a search
    /// (`bSearch`, not a results file's replay), found volumes of their own, and prepares them.
    void PrepareSearchers(Run& run, IDirecotryTreeBuilder* pBuilder, std::uint32_t u32BlockSectors, bool bSearch);
    /// The searchers' reports, then what each volume may read; then each searcher's EndSearch
    /// (skipping the signature search after a stop); then the scans of the files that hold
    /// volume images.
    void EndSearches(Run& run, IProgress* pProgress, int iDepth);
    /// Scans each file `run` found holding a volume image as a device of its own.
    void ScanFiles(Run& run, IProgress* pProgress, int iDepth);
    /// The block pass of `run` over sectors `s64First` to `s64Last`.
    RESULT PassBlocks(Run& run, long long s64First, long long s64Last, IProgress* pProgress, bool bReport);
    /// The partitions of `eType` that `run` and its files' runs found, as copy-out reads them.
    static void CollectPartitions(Run const& run, _tagSearcherType eType,
                                  std::vector<std::unique_ptr<CSearchedPartitionInfo>>& partitions);
    /// Frees a run's objects, its files' runs first.
    static void Teardown(Run& run);

    /// The pool's size for `uSearchers` searchers: never more threads than searchers.
    static unsigned int PoolThreads(std::size_t uSearchers);

    static inline std::atomic<unsigned int> s_uSearchThreads{0};

    IRestoreScanSink* m_pRestoreSink = nullptr;  // not owned
    IRecoveryFilter* m_pFilter = nullptr;        // not owned
    // Nodes the UI model shows point into earlier runs too: each run lives as long as the controller.
    std::vector<std::unique_ptr<Run>> m_runs;
    // Guards the files' runs and the placements while the end of a scan makes them: a copy-out
    // object may be asked for meanwhile.
    mutable std::mutex m_endLock;
};
