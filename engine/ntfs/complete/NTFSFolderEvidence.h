#pragma once
// Folders with an index allocation and the INDX blocks they own, matched by the folder's
// record number: a block at sector s holding VCN v of a folder whose allocation puts v at
// cluster c places its partition at s - c x k (flag 32) and counts one folder match there.
// Blocks of the root folder (record 5) are not kept: every NTFS volume has one, so they would
// pair across volumes. Both lists stop at kMaxEntries and the pairing at a work budget, so a
// disk full of copies of one folder cannot make the scan quadratic.
#include <cstdint>
#include <unordered_map>

#include "engine/ByteView.h"
#include "engine/ntfs/complete/NTFSFileRecordInfo.h"

class CNTFSCandidateSet;

class CNTFSFolderEvidence {
public:
    static constexpr std::size_t kMaxEntries = 500000;
    static constexpr std::uint64_t kMaxPlacements = 10000000;
    static constexpr std::size_t kIndexBlockBytes = 4096;

    void Reset(std::uint32_t u32SectorSize);
    /// A sector starting with "INDX", `block` running to the end of what is loaded.
    void AddIndexBlock(std::int64_t s64Sector, engine::ByteView block, CNTFSCandidateSet& candidates);
    /// A valid base folder record with a non-resident index allocation: `raw` as on disk,
    /// `record` with its fixups undone.
    void AddFolder(std::int64_t s64Sector, engine::ByteView raw, CNTFSFileRecord const& record,
                   CNTFSCandidateSet& candidates);

private:
    struct IndexBlock {
        std::int64_t s64Sector;
        std::uint64_t u64VCN;
    };
    struct Folder {
        CNTFSDataRunList runs;
        std::uint32_t u32SectorsPerCluster;
    };
    void Match(Folder const& folder, IndexBlock const& block, CNTFSCandidateSet& candidates);

    std::uint32_t m_u32SectorSize = 512;
    std::uint64_t m_u64Placements = 0;
    std::unordered_multimap<std::int64_t, IndexBlock> m_blocks;  // by the owning folder's number
    std::unordered_multimap<std::int64_t, Folder> m_folders;     // by the folder's number
};
