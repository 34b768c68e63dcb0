#pragma once
// The interfaces every file-system searcher implements. A quick searcher walks one volume's
// metadata; a complete searcher is handed every block of a device in ascending order and
// builds its trees at the end. Both report the partitions they found, which copy-out uses to
// turn a node's clusters into sectors.
#include "engine/Result.h"

class CSearchedPartitionInfo;
class IDirecotryTreeBuilder;
class IProgress;
class IStorageDevice;

class IFileSystemSearchController {
public:
    /// The builder (not owned) that receives the searcher's nodes.
    virtual void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) = 0;
    /// Fills `ppPartitions` with up to `iCount` new clones of the partitions found, which the
    /// caller owns, and returns how many there are in all (possibly more than `iCount`).
    virtual int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) = 0;
    virtual ~IFileSystemSearchController() = default;
};

class IQuickFileSystemSearchController : public IFileSystemSearchController {
public:
    /// Walks the volume's metadata and hands the nodes to the builder; a result code.
    virtual RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) = 0;
};

class ICompleteFileSystemSearchController : public IFileSystemSearchController {
public:
    /// The device (not owned) the blocks are read from.
    virtual void SetDevice(IStorageDevice* pDevice) = 0;
    /// The block size in sectors.
    virtual void SetBlockSize(int iSectors) = 0;
    /// Called once before the first block of a live scan; a result code.
    virtual RESULT PreparetoSearch() = 0;
    /// Builds the trees when `iBuild` is non-zero; otherwise drops what is pending.
    virtual void EndSearch(int /*iBuild*/) {}
    /// Analyses `s64Count` sectors from `s64First`, already loaded in the device's cache; the
    /// result code is informative only.
    virtual RESULT AnalyzeBlock(long long s64First, long long s64Count) = 0;
    /// The sink (not owned) for searchers that report progress of their own.
    virtual void SetIProgressSink(IProgress* /*pProgress*/) {}
};
