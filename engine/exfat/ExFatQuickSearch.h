#pragma once
// The quick scan of an intact exFAT volume: reads the boot sector and FAT, then walks the folder
// tree from the root cluster and hands every live and deleted entry set to the tree builder as
// an exFAT node (searcher type 33).
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/core/tree/FolderWalk.h"
#include "engine/exfat/EFDTAnalyze.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/ExFatPartition.h"

class CExFatQuickSearch final : public IQuickFileSystemSearchController {
public:
    CExFatQuickSearch() = default;
    ~CExFatQuickSearch() override = default;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One record (type 7, heap start as its start sector, volume length as its total) when a
    /// volume was recognised and `iCount` is at least 1; answers how many it filled.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    /// Walks the volume when its boot sector is valid; always 0: a failure shows in what was found.
    RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) override;

private:
    /// A folder waiting to be read. A deleted folder's node waits with it: the builder hears
    /// of it only after every live folder (the order and the id rule are CFolderWalk's).
    struct PendingFolder {
        std::uint32_t u32FirstCluster = 0;
        std::uint64_t u64Size = 0;
        bool bNoFatChain = false;
        bool bDeleted = false;
        ReleasePtr<CExFatFileNode> pDeferredNode;
    };

    bool PrepareSearch(IStorageDevice* pDevice);
    /// The volume as copy-out and the tree builder read its files: clusters from the heap start.
    CSearchedPartitionInfo PartitionRecord() const;
    void QuickSearch(IStorageDevice* pDevice, IProgress* pProgress);
    /// Reads one folder's clusters and adds its entry sets; false on a read failure.
    bool BuildChildren(IStorageDevice* pDevice, PendingFolder const& folder);
    void AddChildren(PendingFolder const& folder);
    /// Live folders first: a deleted folder may name a cluster that a live folder now owns.
    /// A deleted folder's node goes to the builder here; false when none is left to read.
    bool TakeNextFolder(PendingFolder& folder);

    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    bool m_bRecognised = false;
    CExFatPartition m_partition;
    CEFDTAnalyze m_analyzer;
    std::vector<std::uint8_t> m_cluster;
    /// Ids for deleted folders whose first cluster a live one took, above every sector number.
    long long m_s64NextDetachedID = 1LL << 62;
    CFolderWalk<PendingFolder> m_walk{0, [this] { return m_s64NextDetachedID++; }};
};
