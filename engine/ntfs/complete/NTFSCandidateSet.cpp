#include "engine/ntfs/complete/NTFSCandidateSet.h"

#include <algorithm>

#include "engine/Types.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/ondisk/NTFSAttribute.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

using namespace ntfscomplete;

namespace {

/// A metafile count earns its 10 points once it reaches its threshold.
std::uint64_t CountPoints(std::int64_t s64Count, std::int64_t s64Threshold) {
    return s64Count >= s64Threshold ? 10 : 0;
}

}  // namespace

std::uint32_t ntfscomplete::SectorsPerClusterOf(CNTFSFileRecordAttribute const& attribute,
                                                std::uint32_t u32SectorSize) {
    constexpr std::uint64_t kMaxSectorsPerCluster = 128;
    if (attribute.IsResident() || u32SectorSize == 0) return 0;
    std::int64_t const s64Clusters = CNTFSDataRunList::GetTotalClusters(attribute.GetDataRunsBuffer());
    std::int64_t const s64Allocated = attribute.GetAllocSizeofAttribute();
    if (s64Clusters <= 0 || s64Allocated <= 0) return 0;
    auto const sectors = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Clusters), u32SectorSize);
    if (!sectors || static_cast<std::uint64_t>(s64Allocated) % *sectors != 0) return 0;
    std::uint64_t const u64PerCluster = static_cast<std::uint64_t>(s64Allocated) / *sectors;
    if (u64PerCluster == 0 || u64PerCluster > kMaxSectorsPerCluster || (u64PerCluster & (u64PerCluster - 1)) != 0)
        return 0;
    return static_cast<std::uint32_t>(u64PerCluster);
}

void CNTFSCandidateSet::Reset(std::uint32_t u32SectorSize, std::int64_t s64DeviceSectors) {
    m_candidates.clear();
    m_u32SectorSize = u32SectorSize;
    m_s64DeviceSectors = std::max<std::int64_t>(s64DeviceSectors, 0);
}

void CNTFSCandidateSet::SetSize(CSearchedNTFSPartitionInfo& candidate, std::uint64_t u64Sectors) const {
    std::uint64_t const u64Room = static_cast<std::uint64_t>(m_s64DeviceSectors - candidate.m_s64StartSector);
    std::uint64_t const u64Spc = candidate.m_u32SectorsPerCluster;
    std::uint64_t const u64Clusters = std::min(u64Sectors, u64Room) / u64Spc;
    candidate.m_s64ClusterCount = static_cast<std::int64_t>(u64Clusters);
    candidate.SetTotalSectors(u64Clusters * u64Spc);
}

CSearchedNTFSPartitionInfo* CNTFSCandidateSet::ProposeAt(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster,
                                                         std::uint32_t u32Flags) {
    if (s64Start < 0 || u32SectorsPerCluster == 0 || m_s64DeviceSectors - s64Start < MinSectors()) return nullptr;
    Key const key{s64Start, u32SectorsPerCluster};
    auto it = m_candidates.find(key);
    if (it == m_candidates.end()) {
        if (m_candidates.size() >= kMaxCandidates) return nullptr;
        auto pCandidate = std::make_unique<CSearchedNTFSPartitionInfo>(m_u32SectorSize);
        pCandidate->m_u32FileSystemType = FILE_SYSTEM_NTFS;
        pCandidate->m_u32SectorsPerCluster = u32SectorsPerCluster;
        pCandidate->m_s64StartSector = s64Start;
        pCandidate->m_u64FileSystemValues[0] = static_cast<std::uint64_t>(s64Start);
        SetSize(*pCandidate, static_cast<std::uint64_t>(m_s64DeviceSectors));
        it = m_candidates.emplace(key, std::move(pCandidate)).first;
    }
    it->second->AddPartitionBuildFromFlag(u32Flags);
    return it->second.get();
}

CSearchedNTFSPartitionInfo* CNTFSCandidateSet::Place(std::int64_t s64Sector, std::int64_t s64Cluster,
                                                     std::uint32_t u32SectorsPerCluster, std::uint32_t u32Flags) {
    if (s64Cluster < 0 || u32SectorsPerCluster == 0) return nullptr;
    auto const offset = engine::CheckedMul<std::int64_t>(s64Cluster, u32SectorsPerCluster);
    if (!offset || *offset > s64Sector || *offset < MinSectors()) return nullptr;
    return ProposeAt(s64Sector - *offset, u32SectorsPerCluster, u32Flags);
}

CSearchedNTFSPartitionInfo* CNTFSCandidateSet::Find(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster) const {
    auto const it = m_candidates.find(Key{s64Start, u32SectorsPerCluster});
    return it == m_candidates.end() ? nullptr : it->second.get();
}

void CNTFSCandidateSet::Withdraw(std::int64_t s64Start, std::uint32_t u32SectorsPerCluster, std::uint32_t u32Flags) {
    auto const it = m_candidates.find(Key{s64Start, u32SectorsPerCluster});
    if (it == m_candidates.end()) return;
    CSearchedNTFSPartitionInfo& candidate = *it->second;
    std::uint32_t const u32Left = candidate.GetPartitionBuildFromFlags() & ~u32Flags;
    candidate.SetPartitionBuildFromFlag(u32Left);
    if (u32Left == 0 && FolderMatches(candidate) == 0) m_candidates.erase(it);
}

std::uint64_t CNTFSCandidateSet::Score(CSearchedNTFSPartitionInfo const& candidate) {
    struct FlagPoints {
        std::uint32_t u32Flag;
        std::uint64_t u64Points;
    };
    constexpr FlagPoints kPoints[] = {{kFromPrimaryBoot, 30},  {kFromBackupBoot, 10}, {kFromMftPair, 30},
                                      {kFromMftGroup, 10},     {kFromMftMirr, 10},    {kFromFirstRestart, 10},
                                      {kFromSecondRestart, 10}};
    std::uint64_t u64Score = 0;
    for (FlagPoints const& row : kPoints)
        if ((candidate.GetPartitionBuildFromFlags() & row.u32Flag) != 0) u64Score += row.u64Points;
    u64Score += CountPoints(candidate.m_s64UpCaseMatchCount, 256);
    u64Score += CountPoints(candidate.m_s64LogFileMatchCount, 10000);
    u64Score += CountPoints(candidate.m_s64AttrDefMatchCount, 5);
    return u64Score;
}
