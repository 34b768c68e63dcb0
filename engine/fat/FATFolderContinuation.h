#pragma once
// Where a live folder's entries go on when no table link says (the tables are lost, or the link
// reads free). Allocators hand out free clusters in rising order, so a folder that grew after
// files were written into it goes on past their data: the search passes over the clusters the
// folder's own entries give their files and looks for the first cluster after the ones read
// that holds folder entries, opens no folder ("." and ".."), and no walk has read. It reads
// whole chunks of clusters and goes at most kMaxSearchedClusters clusters far; over one build
// it looks at no more clusters than the volume holds twice over, however many folders search.
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "engine/fat/FATVolumeGeometry.h"
#include "engine/fat/ondisk/FATFolderEntries.h"

class IStorageDevice;

class CFATFolderContinuation {
public:
    /// Clusters looked at past those the folder's files take, per gap.
    static constexpr std::uint32_t kMaxSearchedClusters = 1u << 16;

    CFATFolderContinuation(IStorageDevice* pDevice, FATVolumeGeometry const& geometry)
        : m_pDevice(pDevice), m_geometry(geometry), m_u64Budget(std::uint64_t{geometry.u32Clusters} * 2) {}

    /// Forgets the files of the folder read before.
    void Reset() { m_taken.clear(); }
    /// Notes the clusters the folder's live entries take: a file's by its size, a folder's first.
    void NoteEntries(std::span<fat::FATFolderEntry const> entries);
    /// The first cluster from `u32From` on that may go on with the folder's entries and that
    /// `taken` (read already, or not the volume's) does not refuse; 0 when none.
    std::uint32_t Find(std::uint32_t u32From, std::function<bool(std::uint32_t)> const& taken);

private:
    /// Whether the cluster whose first sector is `sector` holds folder entries that open no folder.
    bool HoldsFurtherEntries(std::uint8_t const* pSector) const;

    IStorageDevice* m_pDevice;
    FATVolumeGeometry m_geometry;
    std::map<std::uint32_t, std::uint32_t> m_taken;  // first cluster -> one past the last
    std::vector<std::uint8_t> m_chunk;
    std::uint64_t m_u64Budget;  // clusters still to be looked at in this build
};
