#include "engine/ntfs/complete/NTFSMetaFileGroups.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/complete/NTFSCandidateSet.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

using namespace ntfscomplete;

namespace {

constexpr std::int64_t kBitsPerByte = 8;

std::uint32_t RecordSectors(std::uint32_t u32RecordBytes, std::uint32_t u32SectorSize) {
    return std::max<std::uint32_t>(1, u32RecordBytes / u32SectorSize);
}

}  // namespace

std::int64_t NtfsMftGroup::PartitionStart() const {
    auto const offset = engine::CheckedMul<std::int64_t>(mft.GetFirstClusterNO(), u32SectorsPerCluster);
    if (!offset || mft.GetFirstClusterNO() < 0 || *offset > s64Sector) return -1;
    return s64Sector - *offset;
}

std::int64_t NtfsMftGroup::BitmapSectors() const {
    if (s64BitmapClusters <= 0) return -1;
    return engine::CheckedMul<std::int64_t>(s64BitmapClusters, u32SectorsPerCluster).value_or(-1);
}

void CNTFSMetaFileGroups::Reset(std::uint32_t u32SectorSize) {
    m_u32SectorSize = u32SectorSize;
    m_pOpen.reset();
    m_groups.clear();
    m_bySector.clear();
}

NtfsMftGroup const* CNTFSMetaFileGroups::Close() {
    if (!m_pOpen) return nullptr;
    NtfsMftGroup const* pKept = nullptr;
    if (m_groups.size() < kMaxGroups) {
        m_bySector.emplace(m_pOpen->s64Sector, m_groups.size());
        m_groups.push_back(std::move(m_pOpen));
        pKept = m_groups.back().get();
    }
    m_pOpen.reset();
    return pKept;
}

NtfsMftGroup const* CNTFSMetaFileGroups::Feed(std::int64_t s64Sector, CNTFSFileRecord const& record,
                                              std::uint32_t u32MetaFile) {
    NtfsMftGroup const* pEnded = nullptr;
    if (m_pOpen) {
        std::int64_t const s64Offset = s64Sector - m_pOpen->s64Sector;
        std::int64_t const s64Stride = m_pOpen->u32RecordSectors;
        bool const bInGroup = s64Offset > 0 && s64Offset % s64Stride == 0 &&
                              s64Offset / s64Stride <= kLastGroupRecord &&
                              static_cast<std::int64_t>(u32MetaFile) == s64Offset / s64Stride;
        if (!bInGroup) pEnded = Close();
    }
    if (u32MetaFile == kMftRecord) {
        if (!CMetaFileRecordTypeAnalyzer::IsValidMFTFileRecord(record)) return pEnded;
        auto const data = record.FindAttibute(ntfs::kAttrData);
        auto pGroup = std::make_unique<NtfsMftGroup>();
        if (!data || !pGroup->mft.InitFromBuffer(record, s64Sector, m_u32SectorSize) ||
            pGroup->mft.GetFirstClusterNO() < 0)
            return pEnded;
        pGroup->u32SectorsPerCluster = SectorsPerClusterOf(*data, m_u32SectorSize);
        if (pGroup->u32SectorsPerCluster == 0) return pEnded;
        pGroup->s64Sector = s64Sector;
        pGroup->u32RecordBytes = CNTFSFileRecordHeader::GetAllocatedSize(record.Bytes());
        pGroup->u32RecordSectors = RecordSectors(pGroup->u32RecordBytes, m_u32SectorSize);
        pGroup->mft.SetSectorsPerFileRecord(
            static_cast<std::uint8_t>(std::min<std::uint32_t>(pGroup->u32RecordSectors, 255)));
        m_pOpen = std::move(pGroup);
        return pEnded;
    }
    if (!m_pOpen) return pEnded;
    NtfsMftGroup& group = *m_pOpen;
    switch (u32MetaFile) {
        case kMftMirrRecord:
            if (auto const pMirror = CMFTMirrInfo::Build(record, s64Sector, m_u32SectorSize))
                group.s64MirrorCluster = pMirror->GetFirstClusterNO();
            break;
        case kLogFileRecord: {
            auto pLog = std::make_unique<CLogFileInfo>();
            if (pLog->InitFromBuffer(record, s64Sector, m_u32SectorSize)) group.pLogFile = std::move(pLog);
            break;
        }
        case kAttrDefRecord: {
            auto pAttrDef = std::make_unique<CAttrDefFileInfo>();
            if (pAttrDef->InitFromBuffer(record, s64Sector)) group.pAttrDef = std::move(pAttrDef);
            break;
        }
        case kUpCaseRecord: {
            auto pUpCase = std::make_unique<CUpCaseFileInfo>();
            if (pUpCase->InitFromBuffer(record, s64Sector)) group.pUpCase = std::move(pUpCase);
            break;
        }
        case kBitmapRecord: {
            CBitmapFileInfo bitmap;
            if (bitmap.InitFromBuffer(record, s64Sector))
                group.s64BitmapClusters =
                    engine::CheckedMul<std::int64_t>(bitmap.GetFileSize(), kBitsPerByte).value_or(-1);
            break;
        }
        default:
            break;
    }
    return pEnded;
}

NtfsMftGroup const* CNTFSMetaFileGroups::GroupAt(std::int64_t s64Sector) const {
    auto const it = m_bySector.find(s64Sector);
    return it == m_bySector.end() ? nullptr : m_groups[it->second].get();
}

NtfsMftGroup const* CNTFSMetaFileGroups::GroupOf(CSearchedNTFSPartitionInfo const& candidate) const {
    if (candidate.m_s64MftGroupSector < 0) return nullptr;
    NtfsMftGroup const* pGroup = GroupAt(candidate.m_s64MftGroupSector);
    if (pGroup == nullptr || pGroup->bMirror || pGroup->u32SectorsPerCluster != candidate.m_u32SectorsPerCluster ||
        pGroup->PartitionStart() != candidate.m_s64StartSector)
        return nullptr;
    return pGroup;
}

void CNTFSMetaFileGroups::Confirm(CNTFSCandidateSet& candidates, NtfsMftGroup const& group, std::int64_t s64Sector,
                                  std::int64_t s64Cluster, std::uint32_t u32Flag) const {
    CSearchedNTFSPartitionInfo* pCandidate =
        candidates.Place(s64Sector, s64Cluster, group.u32SectorsPerCluster, u32Flag);
    if (pCandidate == nullptr || u32Flag == kFromMftMirr) return;
    if (pCandidate->m_s64MftGroupSector < 0) pCandidate->m_s64MftGroupSector = group.s64Sector;
    std::int64_t const s64BitmapSectors = group.BitmapSectors();
    if (s64BitmapSectors < 0) return;
    pCandidate->m_s64SizeByMftGroup = s64BitmapSectors;
    // A boot sector's size is the volume's own; the bitmap only bounds one found without it.
    if ((pCandidate->GetPartitionBuildFromFlags() & (kFromPrimaryBoot | kFromBackupBoot)) == 0 &&
        static_cast<std::uint64_t>(s64BitmapSectors) < pCandidate->GetTotalSectors())
        candidates.SetSize(*pCandidate, static_cast<std::uint64_t>(s64BitmapSectors));
}

void CNTFSMetaFileGroups::Propose(CNTFSCandidateSet& candidates) {
    Close();
    std::vector<bool> paired(m_groups.size(), false);
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        NtfsMftGroup const& group = *m_groups[i];
        std::int64_t const s64Start = group.PartitionStart();
        if (s64Start < 0 || group.s64MirrorCluster < 0) continue;
        auto const mirrorOffset = engine::CheckedMul<std::int64_t>(group.s64MirrorCluster, group.u32SectorsPerCluster);
        auto const mirrorSector = mirrorOffset ? engine::CheckedAdd(s64Start, *mirrorOffset) : std::nullopt;
        if (!mirrorSector || *mirrorSector == group.s64Sector) continue;
        auto const it = m_bySector.find(*mirrorSector);
        if (it == m_bySector.end()) continue;
        m_groups[it->second]->bMirror = true;
        paired[i] = true;
    }
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        NtfsMftGroup const& group = *m_groups[i];
        if (group.bMirror) continue;
        Confirm(candidates, group, group.s64Sector, group.mft.GetFirstClusterNO(),
                paired[i] ? kFromMftPair : kFromMftGroup);
        // Unpaired, the group may as well be the mirror copy, placed by its own $MFTMirr record.
        if (!paired[i] && group.s64MirrorCluster >= 0)
            Confirm(candidates, group, group.s64Sector, group.s64MirrorCluster, kFromMftMirr);
    }
}
