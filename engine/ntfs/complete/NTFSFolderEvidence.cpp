#include "engine/ntfs/complete/NTFSFolderEvidence.h"

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/complete/NTFSCandidateSet.h"
#include "engine/ntfs/ondisk/IndexRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

using namespace ntfscomplete;

namespace {
/// With clusters larger than an index block, a block's VCN counts 512-byte units.
constexpr std::uint64_t kSmallBlockVcnUnit = 512;
}  // namespace

void CNTFSFolderEvidence::Reset(std::uint32_t u32SectorSize) {
    m_u32SectorSize = u32SectorSize;
    m_u64Placements = 0;
    m_blocks.clear();
    m_folders.clear();
}

void CNTFSFolderEvidence::Match(Folder const& folder, IndexBlock const& block, CNTFSCandidateSet& candidates) {
    if (m_u64Placements >= kMaxPlacements) return;
    ++m_u64Placements;
    std::uint64_t const u64ClusterBytes = std::uint64_t{folder.u32SectorsPerCluster} * m_u32SectorSize;
    std::uint64_t const u64Unit = u64ClusterBytes > kIndexBlockBytes ? kSmallBlockVcnUnit : u64ClusterBytes;
    auto const byteOffset = engine::CheckedMul<std::uint64_t>(block.u64VCN, u64Unit);
    if (!byteOffset || *byteOffset / u64ClusterBytes > static_cast<std::uint64_t>(INT64_MAX)) return;
    std::int64_t const s64LCN = folder.runs.GetLCN(static_cast<std::int64_t>(*byteOffset / u64ClusterBytes));
    std::int64_t const s64Within = static_cast<std::int64_t>(*byteOffset % u64ClusterBytes / m_u32SectorSize);
    if (s64LCN < 0 || block.s64Sector < s64Within) return;
    CSearchedNTFSPartitionInfo* pCandidate =
        candidates.Place(block.s64Sector - s64Within, s64LCN, folder.u32SectorsPerCluster, kFromIndexRecord);
    if (pCandidate != nullptr) ++pCandidate->m_u64FileSystemValues[kFolderMatchValue];
}

void CNTFSFolderEvidence::AddIndexBlock(std::int64_t s64Sector, engine::ByteView block, CNTFSCandidateSet& candidates) {
    if (m_blocks.size() >= kMaxEntries || !CStandardIndexHeader::IsValid(block)) return;
    std::int64_t const s64Owner = CIndexRecord::GetParentFileReference(block);
    if (s64Owner < 0 || s64Owner == CFolderIndexAllocationInfo::kRootFolder) return;
    IndexBlock const seen{s64Sector, CStandardIndexHeader::GetVCN(block)};
    auto const [first, last] = m_folders.equal_range(s64Owner);
    for (auto it = first; it != last; ++it) Match(it->second, seen, candidates);
    m_blocks.emplace(s64Owner, seen);
}

void CNTFSFolderEvidence::AddFolder(std::int64_t s64Sector, engine::ByteView raw, CNTFSFileRecord const& record,
                                    CNTFSCandidateSet& candidates) {
    if (m_folders.size() >= kMaxEntries) return;
    CFolderIndexAllocationInfo info;
    if (!info.InitFromBuffer(raw, s64Sector, m_u32SectorSize)) return;
    auto const allocation = record.FindAttibute(ntfs::kAttrIndexAllocation);
    std::uint32_t const u32SectorsPerCluster = allocation ? SectorsPerClusterOf(*allocation, m_u32SectorSize) : 0;
    if (u32SectorsPerCluster == 0) return;
    Folder const folder{info.GetDataRunList(), u32SectorsPerCluster};
    std::int64_t const s64Number = info.GetMFTFileRecordNumber();
    auto const [first, last] = m_blocks.equal_range(s64Number);
    for (auto it = first; it != last; ++it) Match(folder, it->second, candidates);
    m_folders.emplace(s64Number, folder);
}
