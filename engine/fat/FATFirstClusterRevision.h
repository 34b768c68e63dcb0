#pragma once
// FAT32 writers may clear the high 16 bits of a deleted file's first cluster. The revision
// keeps a file's cluster when its first sector starts a known file; otherwise it guesses the
// high word from a deleted sibling created at the same instant, whose clusters lie near. The
// switch is "bRevise" in section "UserExperience" of "UIConfig.ini" in the work path: on unless
// it reads "0".
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ByteView.h"
#include "engine/fat/FATVolumeGeometry.h"

class CFATFileNode;
class IDirecotryTreeBuilder;
class IFATTable;
class IStorageDevice;

/// What one folder read leaves for the revision.
struct FATRevisionLists {
    std::vector<CFATFileNode*> deletedFolders;                // handed over already; not owned
    std::vector<std::unique_ptr<CFATFileNode>> folderCopies;  // copies of live folders, dropped after
    std::vector<std::unique_ptr<CFATFileNode>> deletedFiles;  // held back until revised
    void Clear();
};

class CFATFirstClusterRevision {
public:
    /// Reads the switch for FAT32 (always off for FAT16).
    CFATFirstClusterRevision(IStorageDevice* pDevice, FATVolumeGeometry const& geometry, IFATTable const* pTable);

    bool IsOn() const { return m_bOn; }
    /// Revises the held-back files, hands them to `pBuilder` (each given `u16Partition`) and
    /// empties the lists; nodes not handed over are released. Answers those handed over.
    std::vector<CFATFileNode*> ReviseFAT32FileFirstClu(FATRevisionLists& lists, IDirecotryTreeBuilder* pBuilder,
                                                       std::uint16_t u16Partition);

    /// Whether the sector at the cluster starts a known file (or the cluster has a high word).
    bool bReviseFAT32FileFirstClu(std::uint32_t u32Cluster);
    /// A Windows executable: "MZ", and "PE" at the offset stored at 60.
    static bool bWindowsPEFiles(engine::ByteView bytes);

private:
    std::uint32_t GetFAT32LostFirstCluNum(std::vector<std::unique_ptr<CFATFileNode>> const& files, long long s64Size,
                                          std::uint32_t u32Cluster, std::uint64_t u64Created) const;

    IStorageDevice* m_pDevice;
    FATVolumeGeometry m_geometry;
    IFATTable const* m_pTable;
    bool m_bOn = false;
    std::vector<std::uint8_t> m_probe;  // made on first use
};
