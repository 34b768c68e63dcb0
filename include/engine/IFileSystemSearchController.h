#pragma once
// The interfaces every file-system searcher implements. A quick searcher walks one volume's
// metadata; a complete searcher is handed every block of a device in ascending order and
// builds its trees at the end. Both report the partitions they found, which copy-out uses to
// turn a node's clusters into sectors.
#include <cstddef>
#include <memory>

#include "engine/ByteView.h"
#include "engine/Result.h"

class CFoundVolumes;
class IVolumeReporter;
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
    /// The bytes the complete scan hands over with each block, beyond its own sectors.
    static constexpr std::size_t kLookAheadBytes = 32 * 1024;
    /// The same analysis over bytes the caller holds already (the read-ahead's block, no copy):
    /// `block` is the `s64Count` sectors from `s64First`, unreadable ones as zeros, then up to
    /// kLookAheadBytes of the sectors that follow (fewer at the device's end), for structures
    /// that cross the block's end. Valid during the call only. The complete scan may call the
    /// searchers of one block at once from several threads: a searcher touches only its own
    /// state, the builder and reads of the device.
    virtual RESULT AnalyzeBlockBytes(engine::ByteView /*block*/, long long s64First, long long s64Count) {
        return AnalyzeBlock(s64First, s64Count);
    }
    /// A block of the complete scan that a searcher may keep past the call: `bytes` as for
    /// AnalyzeBlockBytes (the whole block's length at least, short last block included, zeros
    /// after its sectors), valid as long as a copy of `pKeep` is held.
    struct SharedBlock {
        engine::ByteView bytes;
        std::shared_ptr<void const> pKeep;
    };
    /// AnalyzeBlockBytes over a block the searcher may hold on to rather than copy. The
    /// searchers of a block may run while the complete scan hands later blocks to others.
    virtual RESULT AnalyzeSharedBlock(SharedBlock const& block, long long s64First, long long s64Count) {
        return AnalyzeBlockBytes(block.bytes, s64First, s64Count);
    }
    /// The sink (not owned) for searchers that report progress of their own.
    virtual void SetIProgressSink(IProgress* /*pProgress*/) {}

    /// The volumes every searcher of the scan found (not owned), set before the first block: a
    /// volume found inside a file of another is read through that file, and one the device does
    /// not show as its own waits for the end before it is built. Without it every volume is read
    /// from the device and built as soon as its place is sure.
    virtual void SetFoundVolumes(CFoundVolumes* /*pVolumes*/) {}
    /// After the last block, before EndSearch, the found volumes ask it through this (not owned)
    /// for the volumes it found, the sectors each uses now and the files that hold sectors where
    /// other volumes start; null for a search that finds no volume.
    virtual IVolumeReporter* VolumeReporter() { return nullptr; }
};
