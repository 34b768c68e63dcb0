#pragma once
// The quick scan of an intact HFS+ or HFSX volume: opens the volume, gathers the file and
// folder records only its journal still holds (deleted), walks the live catalog, and hands
// every file, folder and resource fork to the tree builder (searcher type 31, root
// id 2, the catalog id of the root folder).
#include <cstdint>
#include <memory>

#include "engine/IFileSystemSearchController.h"
#include "engine/IProgress.h"

class IStorageDevice;

namespace hfsplus {
class CHFSPlusVolume;
struct CatalogKey;
struct CatalogRecord;
}  // namespace hfsplus

/// Relays the walks' progress to the caller's sink; silent relays only ask whether to go on.
class CHFSPlusQuickFileSystemSearchProgress {
public:
    CHFSPlusQuickFileSystemSearchProgress(IProgress* pSink, bool bSilent);
    /// Unless silent, reports the finished state once more.
    ~CHFSPlusQuickFileSystemSearchProgress();
    CHFSPlusQuickFileSystemSearchProgress(CHFSPlusQuickFileSystemSearchProgress const&) = delete;
    CHFSPlusQuickFileSystemSearchProgress& operator=(CHFSPlusQuickFileSystemSearchProgress const&) = delete;

    void SetTotal(std::uint64_t u64Total) { m_record.u64Total = u64Total; }
    /// One more step done; passed to the sink, unless silent, when the percent done changes.
    void UpdateProgress();
    /// True without a sink; otherwise the sink's answer.
    bool Continued();

private:
    IProgress* m_pSink = nullptr;  // not owned
    _PROGRESS_INFO m_record;
    std::uint64_t m_u64LastPercent = 0;
    bool m_bSilent = false;
};

/// Keeps the opened volume for later reads of the scan's results (compressed files, extents).
class CHFSPlusPrivateData {
public:
    explicit CHFSPlusPrivateData(std::unique_ptr<hfsplus::CHFSPlusVolume> pVolume);
    ~CHFSPlusPrivateData();
    hfsplus::CHFSPlusVolume* GetVolume() const { return m_pVolume.get(); }
    /// Frees the volume.
    void Release();

private:
    std::unique_ptr<hfsplus::CHFSPlusVolume> m_pVolume;
};

class CHFSPlusQuickFileSystemSearchController final : public IQuickFileSystemSearchController {
public:
    CHFSPlusQuickFileSystemSearchController();
    /// Frees the private data and its volume: the controller outlives the nodes it made.
    ~CHFSPlusQuickFileSystemSearchController() override;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// One record (type 8, sectors per allocation block) once a volume was opened and `iCount`
    /// is at least 1; answers how many it filled.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    /// Opens the volume and walks its catalog. The volume's code when it cannot be opened;
    /// otherwise 0, whatever the walk met (a damaged branch shows as missing nodes).
    RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) override;

private:
    /// Hands over the private-data folder (hard links' content) before all else, so that the
    /// tree knows it and can leave out all it holds from the first build.
    void AddPrivateDataFolder(hfsplus::CHFSPlusVolume& volume, CHFSPlusQuickFileSystemSearchProgress& relay);
    /// Gathers the records only the journal holds and hands their files and folders to the
    /// builder, deleted, newest first. False when a stop was asked for.
    bool AddDeletedNodes(hfsplus::CHFSPlusVolume& volume, CHFSPlusQuickFileSystemSearchProgress& relay);
    /// Hands every live catalog record with an id to the builder.
    RESULT WalkCatalog(hfsplus::CHFSPlusVolume& volume, CHFSPlusQuickFileSystemSearchProgress& relay);
    /// The nodes of one file or folder record (a file's resource fork its own node).
    void AddRecord(hfsplus::CHFSPlusVolume& volume, hfsplus::CatalogKey const& key,
                   hfsplus::CatalogRecord const& record, bool bDeleted, CHFSPlusQuickFileSystemSearchProgress& relay);

    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    std::unique_ptr<CHFSPlusPrivateData> m_pPrivateData;
    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::uint32_t m_u32BlockSize = 0;
};

/// A new quick searcher; the caller deletes it.
IQuickFileSystemSearchController* CreateHFSPlusQuickSearcher();
