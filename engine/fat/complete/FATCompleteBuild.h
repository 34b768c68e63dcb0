#pragma once
// The complete build of one FAT12, FAT16 or FAT32 volume a complete scan found, whose boot
// sector, root or links may be gone: the folder walk (CFATVolumeWalk) started from the root when
// it is known (or, lost, from the folder sectors just before the data area on FAT16), then from
// every folder by its first sector, named when its parent was read and "DIR<n>" otherwise, then
// the folder clusters no chain reached, whose entries become orphans.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "engine/core/util/SpanSet.h"
#include "engine/fat/FATFolderSectors.h"
#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/FATVolumeWalk.h"

class CFATFileNode;
class CFATSearchedPartitionInfo;
class IDirecotryTreeBuilder;
class IFATTable;
class IStorageDevice;

class CFATCompleteBuild {
public:
    /// Nothing is owned; all must outlive the build. The record must be given.
    CFATCompleteBuild(IDirecotryTreeBuilder* pBuilder, CFATSearchedPartitionInfo const& record, IStorageDevice* pDevice,
                      FATVolumeGeometry const& geometry, IFATTable const* pTable);

    /// Whether a sector lies inside another volume found on the same device.
    using InsideOtherVolume = std::function<bool(std::int64_t)>;
    /// Rebuilds the volume from the folder sectors a complete scan met, but those inside
    /// `nested` (device sectors [first, end) of volumes found inside this one, an image kept as a
    /// file, whose structures vouch for them: their folders are their own) or inside the volume's
    /// live files. 1, or 0 when the volume's range holds no folder sector (the root is read all
    /// the same).
    int Build(CFATFolderSectors const& sectors, bool bBootSector, InsideOtherVolume const& insideOther,
              std::span<CSpanSet::Span const> nested);
    /// A synthetic folder "DIR<n>" (n from a process-wide counter that never restarts), deleted,
    /// with the given first and parent clusters; the caller owns it.
    std::unique_ptr<CFATFileNode> CreateTempFileNode(std::uint32_t u32Cluster, std::uint32_t u32ParentCluster) const;

private:
    /// FAT16 without boot sector: the folder sectors before the data area (and not inside
    /// another volume) read as the root folder, each run of consecutive sectors in one piece.
    void ReadLostRoot(std::span<FATFolderSector const> records, InsideOtherVolume const& insideOther);
    /// Reads the folder starting at a record's first sector unless it was read already; a
    /// folder the map knows only as a deleted node waits for `bTakeDeleted`. False when it waits.
    bool ReadFolderStart(FATFolderSector const& record, bool bTakeDeleted);
    /// The folder clusters no folder's chain reached: their entries under no folder.
    void BuildLostNode(std::span<FATFolderSector const> records);
    /// Notes a nested volume's sectors as not this volume's: along the chain of the file holding
    /// its start where the table links one, else its whole declared range (a deleted image).
    void AddNestedVolume(CSpanSet::Span const& volume);

    CFATSearchedPartitionInfo const& m_record;
    FATVolumeGeometry m_geometry;
    IFATTable const* m_pTable;
    CFATVolumeWalk m_walk;
};
