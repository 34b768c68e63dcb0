#pragma once
// The complete (deep) HFS+ search. Every sector of the device is looked at for a volume header
// (primary or alternate), a journal info block, a journal header, or a B-tree header or leaf
// node. A header whose volume start is confirmed (see HfsPlusVolumeStart.h) and that is not the
// primary or alternate of a volume already known makes a partition; every file and folder
// record of a catalog leaf goes to the tree builder (searcher type 31, root id 2) as a node of
// the innermost partition that contains its sector and whose volume opens and may hold it.
// Records no partition takes yet are held and placed again at the end, once every header is
// known: a volume whose primary header is gone is known only from its alternate at its end.
// Records that still find no volume go to a partition of their own, without data.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "engine/ByteView.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/ReleasePtr.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/util/SerialWorker.h"
#include "engine/hfsplus/HfsPlusFileNode.h"
#include "engine/hfsplus/complete/HfsPlusCompletePartition.h"
#include "engine/hfsplus/complete/HfsPlusLiveLeaves.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

class IProgress;

class CHFSPlusCompleteFileSystemSearchController final : public ICompleteFileSystemSearchController, IVolumeReporter {
public:
    /// Held leaves beyond this many bytes are placed at once: memory stays bounded on any disk.
    static constexpr std::size_t kMaxHeldBytes = std::size_t{256} << 20;
    /// Volumes opened at most: each keeps catalog pages of its own (up to 1 MiB each), and a
    /// crafted disk can hold a confirmed header in every few sectors. Beyond it, partitions
    /// take no records.
    static constexpr std::size_t kMaxOpenVolumes = 256;

    CHFSPlusCompleteFileSystemSearchController();
    /// Frees the partitions with their volumes: the nodes' readers must be gone by then.
    ~CHFSPlusCompleteFileSystemSearchController() override;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One record (type 8) per partition with a volume or with nodes, in index order; answers
    /// how many there are and fills nothing when `iCount` is smaller.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override;
    void SetBlockSize(int iSectors) override { m_iBlockSectors = iSectors; }
    void SetIProgressSink(IProgress* pProgress) override { m_pProgress = pProgress; }
    /// Forgets a previous search; partition 0 spans the device until a header fills it.
    RESULT PreparetoSearch() override;
    /// Looks at the block's sectors, read in one piece; only a node running past the block's
    /// end is read beyond it. Code 2 without a device or before PreparetoSearch, code 6 for a
    /// block longer than the block size set.
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    RESULT AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) override;
    /// With a non-zero argument places the held records and completes the tree; with 0 drops
    /// what is held and builds nothing.
    void EndSearch(int iBuild) override;
    /// With found volumes, the records of a volume that may lie in a file of a volume met before
    /// it wait for the end: the scan of that file reads it when it lies in one.
    void SetFoundVolumes(CFoundVolumes* pVolumes) override { m_pFoundVolumes = pVolumes; }
    IVolumeReporter* VolumeReporter() override { return this; }
    /// The partitions with a header, numbered by their place among the partitions.
    FoundVolumeList ListVolumes() override;
    /// Nothing: its volumes hold no other volume's files.
    void ReportUse(std::size_t /*number*/, CVolumeUse& /*use*/) override {}

    std::vector<std::unique_ptr<hfsplus::CHFSPlusCompletePartition>> const& Partitions() const { return m_partitions; }
    /// Journal structures met (journal info blocks, journal headers) and nodes analysed.
    std::uint64_t GetJournalInfoBlocks() const { return m_u64JournalInfoBlocks; }
    std::uint64_t GetJournalHeaders() const { return m_u64JournalHeaders; }
    std::uint64_t GetNodesAnalysed() const { return m_u64Nodes; }

private:
    /// A catalog leaf with records no partition took yet.
    struct HeldLeaf {
        long long s64Sector = 0;
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint16_t> records;  // the ones not placed
    };
    /// Whether the records of one leaf are live in the volume that takes them: a leaf equal to
    /// the catalog's node of its first key is (all its records are); any other leaf (freed, or
    /// an old copy in the journal) is asked record by record.
    struct LeafLiveness {
        hfsplus::CHFSPlusBTNode const* pLeaf = nullptr;
        hfsplus::CHFSPlusCompletePartition* pAskedIn = nullptr;
        bool bLive = false;
    };

    /// Sectors the tests took at `u64Sector` (at least 1).
    long long AnalyzeSector(long long s64Sector, std::size_t blockOffset, long long s64Left);
    /// Nodes starting at node-aligned places of the sector; the sectors the last one covers.
    long long AnalyzeNodes(long long s64Sector, std::size_t blockOffset, long long s64Left);
    void RecordHeader(std::uint64_t u64HeaderByte, hfsplus::HFSPlusVolumeHeader const& header, engine::ByteView raw);
    /// A catalog leaf's records are placed; the leaf is held when some find no partition yet.
    void AnalyzeLeaf(long long s64Sector, engine::ByteView node);
    /// Places the leaf's records (all, or those listed); the indexes of those no partition took.
    /// With `bFinal` there are none: they go to the lost records' partition.
    std::vector<std::uint16_t> PlaceLeaf(long long s64Sector,
                                         std::shared_ptr<hfsplus::CHFSPlusBTNode const> const& pLeaf,
                                         std::vector<std::uint16_t> const* pOnly, bool bFinal);
    /// Whether a record of the leaf was placed (or is of no file or folder).
    bool PlaceRecord(long long s64Sector, std::shared_ptr<hfsplus::CHFSPlusBTNode const> const& pLeaf,
                     std::uint16_t u16Record, bool bFinal);
    bool IsDeleted(hfsplus::CHFSPlusCompletePartition& partition, hfsplus::CatalogKey const& key,
                   hfsplus::CatalogRecord const& record, LeafLiveness& liveness);
    /// The innermost volume holding the sector that opens and, with `bByHeader`, whose header
    /// allows the record (MayHold).
    hfsplus::CHFSPlusCompletePartition* AcceptingPartition(long long s64Sector, hfsplus::CatalogRecord const& record,
                                                           bool bByHeader);
    hfsplus::CHFSPlusCompletePartition& LostRecordsPartition();
    /// Makes the nodes of a record (and of a resource fork beside it) for the builder, as nodes
    /// of `partition`, or leaves that to a worker; they reach the builder through the workers.
    /// A record of `pLeaf` is asked whether it was deleted; one without is live. With
    /// `bMakeHere` the nodes are made at once (while this thread reads the volume's trees). With
    /// `keyInLeaf` the key is left empty here: a worker reads it from that record of `pLeaf`.
    void AddRecord(hfsplus::CHFSPlusCompletePartition& partition, long long s64Sector, hfsplus::CatalogKey key,
                   hfsplus::CatalogRecord record, std::shared_ptr<hfsplus::CHFSPlusBTNode const> const& pLeaf,
                   bool bMakeHere, std::optional<std::uint16_t> keyInLeaf = std::nullopt);
    /// A record's nodes on their way to the builder: made here or by a worker (`bMade`) from
    /// the key and record.
    struct HandOver {
        hfsplus::CHFSPlusCompletePartition* pPartition = nullptr;
        hfsplus::CHFSPlusVolume* pVolume = nullptr;
        long long s64Sector = 0;
        bool bMade = false;
        bool bDeleted = false;
        hfsplus::CatalogKey key;
        hfsplus::CatalogRecord record;
        std::shared_ptr<hfsplus::CHFSPlusBTNode const> pLeaf;  // the record's leaf, asked whether it is live
        std::optional<std::uint16_t> keyInLeaf;                // the record of pLeaf the key is still to be read from
        std::array<ReleasePtr<CHFSPlusFileNode>, 2> nodes;     // the record's node, its resource fork's
    };
    /// The record's node and its resource fork's (each null when there is none), placed as
    /// `item` says.
    static std::array<ReleasePtr<CHFSPlusFileNode>, 2> MakeNodes(HandOver const& item, hfsplus::CatalogKey const& key,
                                                                 hfsplus::CatalogRecord const& record, bool bDeleted);
    /// Whether the record's nodes can be made without a look in the volume's trees (hard-link
    /// targets, compressed sizes, overflow extents), and so while they are read.
    static bool MadeWithoutLookups(hfsplus::CatalogRecord const& record);
    /// Records posted together; counted in flight until the last worker lets go of them.
    struct Batch {
        Batch(std::vector<HandOver> posted, std::atomic<std::size_t>& inFlight);
        ~Batch();
        Batch(Batch const&) = delete;
        Batch& operator=(Batch const&) = delete;
        std::vector<HandOver> items;
        std::atomic<std::size_t>& inFlight;
    };
    /// Posts the records taken so far to the workers, which tell deleted ones, make their nodes
    /// and hand them to the builder in order.
    void PostHandOver();
    /// Waits while more than kMaxBatchesInFlight batches are with the workers.
    void LimitBatchesInFlight();
    /// Posts the nodes left and waits until the builder has taken every one.
    void FinishHandOver();
    /// The whole live catalog of a volume at the device's start, as a quick scan walks it.
    void WalkCatalog(hfsplus::CHFSPlusCompletePartition& partition);
    hfsplus::CHFSPlusVolume* VolumeFor(hfsplus::CHFSPlusCompletePartition& partition);
    bool ReadBytes(std::uint64_t u64Offset, std::span<std::uint8_t> bytes);

    IStorageDevice* m_pDevice = nullptr;          // not owned
    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    IProgress* m_pProgress = nullptr;             // not owned
    int m_iBlockSectors = 0;
    std::uint32_t m_u32SectorSize = 0;
    long long m_s64TotalSectors = 0;
    bool m_bPrepared = false;
    bool m_bTreeMade = false;
    std::vector<std::unique_ptr<hfsplus::CHFSPlusCompletePartition>> m_partitions;
    CFoundVolumes* m_pFoundVolumes = nullptr;  // not owned
    /// Nodes of volumes the device does not list, held for the end (the hand-over worker's
    /// until FinishHandOver).
    struct Deferred {
        hfsplus::CHFSPlusCompletePartition* pPartition;
        ReleasePtr<CHFSPlusFileNode> pNode;
    };
    std::vector<Deferred> m_deferred;
    std::atomic<long long> m_s64Analysed{0};  // the sectors below it were analysed
    /// Hands a node to the builder as one of `partition`'s.
    void HandToBuilder(hfsplus::CHFSPlusCompletePartition& partition, ReleasePtr<CHFSPlusFileNode> pNode);
    // Freed before m_partitions, whose volumes own the catalogs they ask.
    std::unordered_map<hfsplus::CHFSPlusCatalog const*, std::unique_ptr<hfsplus::CHFSPlusLiveLeaves>> m_liveLeaves;
    std::vector<std::size_t> m_volumesByStart;  // partitions with a header, by start
    std::vector<HeldLeaf> m_held;
    std::size_t m_heldBytes = 0;
    std::size_t m_lostIndex = SIZE_MAX;  // the lost records' partition, once made
    std::size_t m_openAttempts = 0;
    std::vector<std::uint8_t> m_block;   // a block read here when no bytes are handed over
    engine::ByteView m_view;             // the block being analysed, then its look-ahead
    std::size_t m_blockBytes = 0;        // the block's own bytes in m_view
    std::vector<std::uint8_t> m_beyond;  // a node running past the block and its look-ahead
    std::uint64_t m_u64JournalInfoBlocks = 0;
    std::uint64_t m_u64JournalHeaders = 0;
    std::uint64_t m_u64Nodes = 0;
    static constexpr std::size_t kHandOverBatch = 256;
    /// A block ends without waiting for the workers, so they carry on while the next blocks are
    /// read; past this many batches (about 130,000 records, some 70 MiB, less than their nodes
    /// will hold) the search waits for them.
    static constexpr std::size_t kMaxBatchesInFlight = 512;
    std::vector<HandOver> m_handOver;
    std::atomic<std::size_t> m_batchesInFlight{0};
    // Last: their threads end, running what is posted, before anything they use goes; each
    // posts to the one declared before it, so it ends first.
    engine::SerialWorker m_handing;  // hands the nodes to the builder
    engine::SerialWorker m_making;   // makes the nodes that need no look in the volume's trees
    engine::SerialWorker m_asking;   // tells deleted records, makes the other nodes
};

/// A new complete searcher; null when memory runs out. The caller deletes it.
ICompleteFileSystemSearchController* CreateHFSPlusSearcher();
