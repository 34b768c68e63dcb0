#pragma once
// The quick scan of one intact FAT12, FAT16 or FAT32 volume: its boot sector (or FAT32's backup at
// sector 6), its allocation table, and every folder reachable from the root, deleted entries
// included.
#include <memory>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/Types.h"
#include "engine/fat/FATSearchedPartitionInfo.h"

class CFATQuickSearcher final : public IQuickFileSystemSearchController {
public:
    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override { m_pBuilder = pBuilder; }
    /// A clone of the volume's record in the first slot when a volume was found and a slot given.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    /// Codes (module 0x0a): 5 no device or sink, 7 no builder or no volume description, 3 not a
    /// volume, 0xc not FAT16/FAT32 or no valid boot sector, 1 root unreadable, 0xd stopped.
    RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) override;

private:
    RESULT SearchVolume(IStorageDevice* pDevice, IProgress* pProgress, FileSystemType eType);

    IDirecotryTreeBuilder* m_pBuilder = nullptr;  // not owned
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> m_partitions;
};

/// A new quick searcher; the caller deletes it.
IQuickFileSystemSearchController* CreateFATQuickSearcher();
