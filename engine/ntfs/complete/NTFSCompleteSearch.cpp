#include "engine/ntfs/complete/NTFSCompleteSearch.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/CatchExeception.h"
#include "engine/IDataRecovery.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/crossvolume/VolumeNesting.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/complete/NTFSAttrDefTable.h"
#include "engine/ntfs/complete/NTFSFormerMft.h"
#include "engine/ntfs/complete/NTFSRebuiltMft.h"
#include "engine/ntfs/complete/NTFSUpCaseTable.h"
#include "engine/ntfs/complete/NTFSVolumeUse.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

using namespace ntfscomplete;

namespace {

constexpr long long kRootRecord = 5;

// The first four bytes of the structures tested on every sector, read little-endian.
constexpr std::uint32_t kMagicFile = 0x454C4946;  // "FILE"
constexpr std::uint32_t kMagicIndx = 0x58444E49;  // "INDX"
constexpr std::uint32_t kMagicRstr = 0x52545352;  // "RSTR"
constexpr std::uint32_t kMagicRcrd = 0x44524352;  // "RCRD"

// Scores below which a third or later candidate, or one of three or more survivors without
// a located MFT, is dropped.
constexpr std::uint64_t kWeakScore = 11;
constexpr std::uint64_t kUnlocatedScore = 51;
constexpr std::size_t kAlwaysKept = 2;
// More NTFS partitions than a GPT disk holds are not built.
constexpr std::size_t kMaxPartitions = 128;

/// The device sector of record 0 of `mft`, where its runs put it; -1 when they put it nowhere.
std::int64_t MftRecordSector(CNTFSMftReader const& mft) {
    NtfsVolumeGeometry const& geometry = mft.Geometry();
    if (geometry.u32DeviceSectorSize == 0) return -1;
    auto const s64Spc = static_cast<std::int64_t>(geometry.ClusterBytes() / geometry.u32DeviceSectorSize);
    for (CDataRun const& run : mft.Runs().Runs()) {
        if (run.s64VCN != 0 || run.s64LCN < 0 || run.s64Count <= 0) continue;
        auto const offset = engine::CheckedMul(run.s64LCN, s64Spc);
        return offset ? engine::CheckedAdd(geometry.s64StartSector, *offset).value_or(-1) : -1;
    }
    return -1;
}

}  // namespace

RESULT CNTFSCompleteSearch::PreparetoSearch() {
    m_join.clear();
    m_partitions.clear();
    if (m_pDevice == nullptr || m_s32BlockSectors <= 0) return ENGINE_RESULT(kModuleNtfsSearch, kCodeBadArgument);
    int const iSectorSize = m_pDevice->GetSectorSize();
    if (iSectorSize < 512 || iSectorSize % 512 != 0) return ENGINE_RESULT(kModuleNtfsSearch, kCodeBadArgument);
    m_u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    m_s64DeviceSectors = std::max<long long>(m_pDevice->GetTotalSectors(), 0);
    m_carryCapacity = std::max<std::size_t>(kMaxStructureBytes / m_u32SectorSize, 1) - 1;
    m_s64NextSector = -1;
    m_join.assign(std::max<std::size_t>(2 * m_carryCapacity, 1) * m_u32SectorSize, 0);
    ResetEvidence();
    return kResultSuccess;
}

void CNTFSCompleteSearch::ResetEvidence() {
    m_carrySectors = 0;
    m_candidates.Reset(m_u32SectorSize, m_s64DeviceSectors);
    m_groups.Reset(m_u32SectorSize);
    m_folders.Reset(m_u32SectorSize);
    m_logFiles.Reset(m_u32SectorSize);
    m_attrDefs.Reset(m_u32SectorSize);
    m_upCases.Reset(m_u32SectorSize);
    m_backupOf.clear();
    m_recordRuns.clear();
    m_u64LooseFiles = 0;
    m_u64RebuildReads = 0;
    m_bSettled = false;
    m_volumes.clear();
}

RESULT CNTFSCompleteSearch::AnalyzeBlock(long long s64First, long long s64Count) {
    if (m_join.empty() || s64First < 0 || s64Count <= 0 || s64Count > m_s32BlockSectors)
        return ENGINE_RESULT(kModuleNtfsSearch, kCodeBadArgument);
    std::size_t const size = static_cast<std::size_t>(s64Count) * m_u32SectorSize;
    if (m_block.size() < size) m_block.resize(size);
    bool const bRead = m_pDevice->ReadSector(m_block.data(), s64First, s64Count) != 0;
    return AnalyzeBlockBytes(bRead ? engine::ByteView(m_block.data(), size) : engine::ByteView(), s64First, s64Count);
}

RESULT CNTFSCompleteSearch::AnalyzeBlockBytes(engine::ByteView bytes, long long s64First, long long s64Count) {
    if (m_join.empty() || s64First < 0 || s64Count <= 0 || s64Count > m_s32BlockSectors)
        return ENGINE_RESULT(kModuleNtfsSearch, kCodeBadArgument);
    if (s64First != m_s64NextSector) FlushCarry();
    // The carry joins blocks here: the look-ahead is not needed.
    engine::ByteView const block = bytes.Sub(0, static_cast<std::size_t>(s64Count) * m_u32SectorSize);
    if (block.Size() == 0) {
        // Nothing of an unread block is analysed: no bytes of these sectors are at hand.
        FlushCarry();
        m_s64NextSector = -1;
        return ENGINE_RESULT(kModuleNtfsSearch, kCodeIoFailure);
    }
    std::size_t const sector = m_u32SectorSize;
    std::size_t const count = static_cast<std::size_t>(s64Count);
    bool const bDeviceEnds = s64First + s64Count >= m_s64DeviceSectors;
    // The carried sectors, joined with this block's first sectors: the structures they start
    // are now whole.
    std::size_t const head = std::min(count, m_carryCapacity);
    std::memcpy(m_join.data() + m_carrySectors * sector, block.Data(), head * sector);
    std::size_t const joined = m_carrySectors + head;
    std::int64_t const s64JoinFirst = s64First - static_cast<std::int64_t>(m_carrySectors);
    engine::ByteView const join(m_join.data(), joined * sector);
    // The last sectors may start structures that run into the next block: they wait for it.
    if (count <= m_carryCapacity) {
        // A block no longer than the carry lies whole in the joined bytes.
        std::size_t const keep = bDeviceEnds ? 0 : std::min(m_carryCapacity, joined);
        AnalyzeSectors(join, s64JoinFirst, s64JoinFirst, static_cast<std::int64_t>(joined - keep));
        std::memmove(m_join.data(), m_join.data() + (joined - keep) * sector, keep * sector);
        m_carrySectors = keep;
    } else {
        AnalyzeSectors(join, s64JoinFirst, s64JoinFirst, static_cast<std::int64_t>(m_carrySectors));
        std::size_t const keep = bDeviceEnds ? 0 : m_carryCapacity;
        AnalyzeSectors(block, s64First, s64First, static_cast<std::int64_t>(count - keep));
        std::memcpy(m_join.data(), block.Data() + (count - keep) * sector, keep * sector);
        m_carrySectors = keep;
    }
    m_s64NextSector = s64First + s64Count;
    return kResultSuccess;
}

void CNTFSCompleteSearch::FlushCarry() {
    if (m_carrySectors == 0) return;
    engine::ByteView const bytes(m_join.data(), m_carrySectors * m_u32SectorSize);
    std::int64_t const s64First = m_s64NextSector - static_cast<std::int64_t>(m_carrySectors);
    m_carrySectors = 0;
    AnalyzeSectors(bytes, s64First, s64First, static_cast<std::int64_t>(bytes.Size() / m_u32SectorSize));
}

void CNTFSCompleteSearch::AnalyzeSectors(engine::ByteView bytes, std::int64_t s64BytesFirst, std::int64_t s64First,
                                         std::int64_t s64Count) {
    std::size_t const sector = m_u32SectorSize;
    std::size_t const viewBytes = std::max(kMaxStructureBytes, sector);
    for (std::int64_t i = 0; i < s64Count; ++i) {
        std::size_t const offset = static_cast<std::size_t>(s64First - s64BytesFirst + i) * sector;
        AnalyzeSector(s64First + i, bytes.Sub(offset, std::min(viewBytes, bytes.Size() - offset)));
    }
}

void CNTFSCompleteSearch::AnalyzeSector(std::int64_t s64Sector, engine::ByteView view) {
    switch (view.Le32(0)) {
        case kMagicFile:
            AnalyzeFileRecord(s64Sector, view);
            return;
        case kMagicIndx:
            m_folders.AddIndexBlock(s64Sector, view, m_candidates);
            return;
        case kMagicRstr:
            m_logFiles.AddRestartPage(s64Sector, view);
            return;
        case kMagicRcrd:
            m_logFiles.AddRecordPage(s64Sector, view);
            return;
        default:
            break;
    }
    engine::ByteView const sector = view.Sub(0, m_u32SectorSize);
    if (sector.U8(3) == 'N' && sector.Equals(3, "NTFS    ")) {
        AnalyzeBootSector(s64Sector, sector);
        return;
    }
    AnalyzeContent(s64Sector, sector);
}

void CNTFSCompleteSearch::AnalyzeBootSector(std::int64_t s64Sector, engine::ByteView sector) {
    CNTFSDBR dbr;
    if (!dbr.InitFromBuffer(sector)) return;
    // The boot sector counts its own sectors; the device may use smaller ones.
    std::uint32_t const u32BytesPerSector = dbr.GetBytesPerSector();
    if (u32BytesPerSector < m_u32SectorSize || u32BytesPerSector % m_u32SectorSize != 0) return;
    std::uint32_t const u32Scale = u32BytesPerSector / m_u32SectorSize;
    auto const total = engine::CheckedMul<std::uint64_t>(dbr.GetTotalSectors(), u32Scale);
    std::uint32_t const u32Spc = dbr.GetSectorsperCluster() * u32Scale;
    // A volume may reach past the device's end (a partial image): its size is cut there.
    if (!total || *total > static_cast<std::uint64_t>(INT64_MAX)) return;
    std::int64_t const s64Total = static_cast<std::int64_t>(*total);
    auto const sized = [&](CSearchedNTFSPartitionInfo* pCandidate, std::uint32_t u32Flag) {
        if (pCandidate == nullptr) return;
        pCandidate->AddPartitionBuildFromFlag(u32Flag);
        pCandidate->SetSerialNumber(dbr.GetSerialNumber());
        m_candidates.SetSize(*pCandidate, *total);
    };

    // As a backup, the sector ends a partition of its total sectors.
    if (s64Sector >= s64Total) {
        std::int64_t const s64Start = s64Sector - s64Total;
        CSearchedNTFSPartitionInfo* pKnown = m_candidates.Find(s64Start, u32Spc);
        bool const bTwin = pKnown != nullptr && pKnown->GetSerialNumber() == dbr.GetSerialNumber() &&
                           pKnown->GetTotalSectors() == static_cast<std::uint64_t>(s64Total) / u32Spc * u32Spc;
        if (pKnown != nullptr && ((pKnown->GetPartitionBuildFromFlags() & kFromPrimaryBoot) != 0 || bTwin)) {
            // The backup of a partition seen by its primary: the primary, taken for a backup
            // itself, proposed a partition before it that nothing else supports.
            sized(pKnown, kFromBackupBoot);
            m_candidates.Withdraw(s64Start - s64Total, u32Spc, kFromBackupBoot);
            NoteBackup(s64Sector, s64Start);
            return;
        }
        if (CSearchedNTFSPartitionInfo* pBackup = m_candidates.ProposeAt(s64Start, u32Spc, kFromBackupBoot)) {
            sized(pBackup, kFromBackupBoot);
            NoteBackup(s64Sector, s64Start);
        }
    }
    sized(m_candidates.ProposeAt(s64Sector, u32Spc, kFromPrimaryBoot), kFromPrimaryBoot);
    if (m_pFoundVolumes != nullptr) m_pFoundVolumes->NoteSeen(s64Sector, s64Total);
}

void CNTFSCompleteSearch::NoteBackup(std::int64_t s64Sector, std::int64_t s64Start) {
    if (m_backupOf.size() < CNTFSCandidateSet::kMaxCandidates) m_backupOf[s64Sector] = s64Start;
}

void CNTFSCompleteSearch::AnalyzeFileRecord(std::int64_t s64Sector, engine::ByteView view) {
    if (!CNTFSFileRecordHeader::IsValid(view)) return;
    std::uint32_t const u32Allocated = CNTFSFileRecordHeader::GetAllocatedSize(view);
    if (view.Size() < u32Allocated) return;  // cut by the device's end or an unread block
    engine::ByteView const raw = view.Sub(0, u32Allocated);
    CNTFSFileRecord const record(raw);
    // No volume vouches for this sector yet: a name Windows refuses marks it as no record.
    if (!record.IsValid() || !record.HasPlausibleNames()) return;
    // Only the system records heading an MFT matter here; a record that stores a later number
    // is none of them, and comparing its name with the fifteen would be most of its cost.
    bool const bHeadRecord = !record.HasXPNumberOfthisMFTRecord() ||
                             record.GetXPNumberOfthisMFTRecord() <= CNTFSMetaFileGroups::kLastGroupRecord;
    std::uint32_t const u32MetaFile = bHeadRecord && CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record)
                                          ? CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(record)
                                          : CMetaFileRecordTypeAnalyzer::kNotMetaFile;
    NtfsMftGroup const* pEnded = m_groups.Feed(s64Sector, record, u32MetaFile);
    // A volume whose boot sector is lost is met by its backup only at its end, after the volumes
    // inside it: its MFT's head, met first, tells the others early that it may hold them.
    if (pEnded != nullptr && m_pFoundVolumes != nullptr && pEnded->PartitionStart() >= 0)
        m_pFoundVolumes->NoteSeen(pEnded->PartitionStart(), pEnded->BitmapSectors());
    // Every record is noted: where the volume's MFT cannot be opened, they are what rebuilds it.
    NoteFileRecord(s64Sector, std::max<std::uint32_t>(1, u32Allocated / m_u32SectorSize),
                   record.HasXPNumberOfthisMFTRecord() ? std::int64_t{record.GetXPNumberOfthisMFTRecord()} : -1,
                   std::max<std::uint32_t>(1, m_u32SectorSize / u32Allocated));
    if (record.IsExtendFileRecord()) return;
    if (CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(record)) {
        m_folders.AddFolder(s64Sector, raw, record, m_candidates);
    } else if (u32MetaFile == kLogFileRecord) {
        m_logFiles.AddLogFileRecord(s64Sector, record);
    } else if (u32MetaFile == kAttrDefRecord) {
        auto pAttrDef = std::make_unique<CAttrDefFileInfo>();
        if (pAttrDef->InitFromBuffer(record, s64Sector)) m_attrDefs.AddRecord(std::move(pAttrDef));
    } else if (u32MetaFile == kUpCaseRecord) {
        auto pUpCase = std::make_unique<CUpCaseFileInfo>();
        if (pUpCase->InitFromBuffer(record, s64Sector)) m_upCases.AddRecord(std::move(pUpCase));
    }
}

void CNTFSCompleteSearch::NoteFileRecord(std::int64_t s64Sector, std::uint32_t u32Sectors, std::int64_t s64Number,
                                         std::uint32_t u32NumberStep) {
    if (!m_recordRuns.empty()) {
        RecordRun& last = m_recordRuns.back();
        bool const bNumbersGoOn = last.s64FirstNumber < 0
                                      ? s64Number < 0
                                      : last.u32NumberStep == u32NumberStep &&
                                            s64Number == last.s64FirstNumber + last.s64Count * u32NumberStep;
        if (last.u32Sectors == u32Sectors && s64Sector == last.s64First + last.s64Count * u32Sectors && bNumbersGoOn) {
            ++last.s64Count;
            return;
        }
    }
    if (m_recordRuns.size() < kMaxRecordRuns)
        m_recordRuns.push_back({s64Sector, 1, u32Sectors, s64Number, u32NumberStep});
}

void CNTFSCompleteSearch::AnalyzeContent(std::int64_t s64Sector, engine::ByteView sector) {
    for (std::size_t offset = 0; offset + CNTFSAttrDefTable::kStride <= sector.Size();
         offset += CNTFSAttrDefTable::kStride)
        if (CNTFSAttrDefTable::MatchesStride(sector.Sub(offset, CNTFSAttrDefTable::kStride)))
            m_attrDefs.AddMatch(s64Sector, CNTFSAttrDefTable::kStride, offset);
    for (std::size_t offset = 0; offset + CNTFSUpCaseTable::kBlock <= sector.Size(); offset += CNTFSUpCaseTable::kBlock)
        if (CNTFSUpCaseTable::MatchesBlock(sector.Sub(offset, CNTFSUpCaseTable::kBlock)))
            m_upCases.AddMatch(s64Sector, CNTFSUpCaseTable::kBlock, offset);
}

void CNTFSCompleteSearch::ScoreAndDrop() {
    CNTFSCandidateSet::Map& all = m_candidates.Candidates();
    for (auto& [key, pCandidate] : all) {
        CSearchedNTFSPartitionInfo& candidate = *pCandidate;
        NtfsMftGroup const* pGroup = m_groups.GroupOf(candidate);
        m_logFiles.Count(candidate, pGroup ? pGroup->pLogFile.get() : nullptr);
        CNTFSContentCount::Result const attrDef =
            m_attrDefs.Count(candidate, pGroup ? pGroup->pAttrDef.get() : nullptr);
        candidate.m_s64AttrDefRecordSector = attrDef.s64RecordSector;
        candidate.m_s64AttrDefMatchCount = attrDef.s64Count;
        CNTFSContentCount::Result const upCase = m_upCases.Count(candidate, pGroup ? pGroup->pUpCase.get() : nullptr);
        candidate.m_s64UpCaseRecordSector = upCase.s64RecordSector;
        candidate.m_s64UpCaseMatchCount = upCase.s64Count;
        candidate.m_u32MetaFileGroupFound = candidate.m_s64MftGroupSector != -1 ? 1 : 0;
        candidate.m_u64FileSystemCount = CNTFSCandidateSet::Score(candidate);
    }
    // A boot sector read as a primary that is only another candidate's backup.
    for (auto const& [s64Backup, s64Start] : m_backupOf) {
        auto const it = all.lower_bound({s64Backup, 0});
        for (auto next = it; next != all.end() && next->first.first == s64Backup;) {
            CSearchedNTFSPartitionInfo const& candidate = *next->second;
            bool const bOnlyBoot = candidate.GetPartitionBuildFromFlags() == kFromPrimaryBoot &&
                                   CNTFSCandidateSet::FolderMatches(candidate) == 0 &&
                                   candidate.m_u32MetaFileGroupFound == 0;
            bool const bOwnerKept =
                all.lower_bound({s64Start, 0}) != all.end() && all.lower_bound({s64Start, 0})->first.first == s64Start;
            next = bOnlyBoot && bOwnerKept ? all.erase(next) : std::next(next);
        }
    }
    std::size_t i = 0;
    for (auto it = all.begin(); it != all.end(); ++i) {
        CSearchedNTFSPartitionInfo const& candidate = *it->second;
        bool const bWeak = candidate.m_u64FileSystemCount < kWeakScore ||
                           (CNTFSCandidateSet::FolderMatches(candidate) == 0 && candidate.m_u32MetaFileGroupFound == 0);
        it = i >= kAlwaysKept && bWeak ? all.erase(it) : std::next(it);
    }
    if (all.size() <= kAlwaysKept) return;
    std::int64_t s64KeptEnd = 0;  // how far the candidates kept before the current one reach
    for (auto it = all.begin(); it != all.end();) {
        CSearchedNTFSPartitionInfo const& candidate = *it->second;
        std::int64_t const s64Start = candidate.m_s64StartSector;
        bool const bInsideAnother = s64Start < s64KeptEnd;
        // A volume whose boot sector vouches for it and whose FILE records lie inside it is
        // kept though its MFT is not located: those records rebuild it. So is one whose boot
        // sector lies inside another volume: an image stored there in pieces keeps its MFT in
        // another piece, and is read through the file holding it.
        bool const bBootSector = (candidate.GetPartitionBuildFromFlags() & (kFromPrimaryBoot | kFromBackupBoot)) != 0;
        bool const bVouched = (bBootSector && HoldsRecords(candidate)) ||
                              ((candidate.GetPartitionBuildFromFlags() & kFromPrimaryBoot) != 0 && bInsideAnother);
        bool const bDrop =
            candidate.m_u64FileSystemCount < kUnlocatedScore && candidate.m_u32MetaFileGroupFound == 0 && !bVouched;
        if (!bDrop) {
            std::uint64_t const u64Sectors = std::min<std::uint64_t>(candidate.GetTotalSectors(), INT64_MAX);
            s64KeptEnd = std::max(
                s64KeptEnd, engine::CheckedAdd(s64Start, static_cast<std::int64_t>(u64Sectors)).value_or(INT64_MAX));
        }
        it = bDrop ? all.erase(it) : std::next(it);
    }
    // Each survivor's MFT is read whole: forged $MFT records by the thousand must not make the
    // scan read the disk again as often. The best-scored survivors go on.
    if (all.size() <= kMaxPartitions) return;
    std::vector<std::uint64_t> scores;
    for (auto const& [key, pCandidate] : all) scores.push_back(pCandidate->m_u64FileSystemCount);
    std::nth_element(scores.begin(), scores.begin() + (kMaxPartitions - 1), scores.end(), std::greater<>());
    std::uint64_t const u64Least = scores[kMaxPartitions - 1];
    // Those above the least kept score all stay; those at it fill the places left, in start order.
    std::size_t tiesLeft = kMaxPartitions - static_cast<std::size_t>(std::count_if(
                                                scores.begin(), scores.end(),
                                                [u64Least](std::uint64_t u64Score) { return u64Score > u64Least; }));
    for (auto it = all.begin(); it != all.end();) {
        std::uint64_t const u64Score = it->second->m_u64FileSystemCount;
        bool const bKeep = u64Score > u64Least || (u64Score == u64Least && tiesLeft > 0);
        if (bKeep && u64Score == u64Least) --tiesLeft;
        it = bKeep ? std::next(it) : all.erase(it);
    }
}

void CNTFSCompleteSearch::BuildTrees() {
    m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_NTFS, kRootRecord);
    CNTFSQuickSearch walker;
    walker.SetDirecotryTreeBuilder(m_pBuilder);
    CNTFSCandidateSet::Map& all = m_candidates.Candidates();
    std::size_t const survivors = all.size();
    std::vector<Volume>& volumes = m_volumes;
    CNTFSSpanSet const mftSectors = MftSectors(volumes, m_u32SectorSize);
    for (Volume& volume : volumes) {
        if (m_partitions.size() >= CSearchedPartitionInfo::kNoPartitionIndex) break;
        if (!volume.mft) continue;  // nothing to build a tree from: not a partition to show
        // An image stored in pieces in a file of another volume: the scan of that file reads it.
        if (m_pFoundVolumes != nullptr && m_pFoundVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, volume.s64Start)) {
            volume.mft.reset();
            continue;
        }
        std::unique_ptr<CSearchedNTFSPartitionInfo>& pCandidate = *volume.ppCandidate;
        auto const u16Index = static_cast<std::uint16_t>(m_partitions.size());
        pCandidate->m_u16PartitionIndex = u16Index;
        pCandidate->m_dScore = static_cast<double>(survivors - u16Index);
        CNTFSSpanSet claimed = MftsClaimedBesides(volume.s64Start);
        claimed.Add(mftSectors);
        std::size_t const handed =
            walker.HandOverVolume(*m_pDevice, *volume.mft, u16Index, nullptr, volume.bRebuilt) +
            HandOverLooseFiles(walker, volume, NestedVolumes(volumes, volume), mftSectors, claimed);
        // A stray copy of an $MFT record leads to an MFT of nothing but itself: without a boot
        // sector to vouch for it, a partition that shows no file is none; nor is a rebuilt one.
        bool const bBoot = (pCandidate->GetPartitionBuildFromFlags() & (kFromPrimaryBoot | kFromBackupBoot)) != 0;
        volume.mft.reset();  // its read window is of no more use
        if (handed == 0 && (volume.bRebuilt || !bBoot)) continue;
        m_partitions.push_back(std::move(pCandidate));
    }
    volumes.clear();
    all.clear();
    // Each partition's record, by the index its nodes carry, before the tree is finished:
    // recycle-bin index files are read through their own partition's geometry.
    for (auto const& pPartition : m_partitions) {
        CSearchedNTFSPartitionInfo record(*pPartition);
        m_pBuilder->SetPartitonDevice(&record, m_pDevice);
    }
    m_pBuilder->FlashBuild(SEARCHER_TYPE_NTFS);
}

std::vector<CNTFSCompleteSearch::Volume> CNTFSCompleteSearch::OpenVolumes(CNTFSCandidateSet::Map& all) {
    std::vector<Volume> volumes;
    volumes.reserve(all.size());
    for (auto& [key, pCandidate] : all) {
        std::int64_t const s64Start = pCandidate->m_s64StartSector;
        std::int64_t const s64End = s64Start + static_cast<std::int64_t>(pCandidate->GetTotalSectors());
        Volume volume{&pCandidate, s64Start, s64End, OpenVolume(*pCandidate)};
        volume.bOwnsItsSectors =
            volume.mft && (pCandidate->GetPartitionBuildFromFlags() & (kFromPrimaryBoot | kFromBackupBoot)) != 0;
        volumes.push_back(std::move(volume));
    }
    // A volume whose $MFT record and mirror copy are lost still has its other records. Those of
    // a volume lying inside it (an image stored as a file) are not its own: the later-starting
    // volumes are rebuilt first, so that the earlier ones know where those lie.
    for (auto it = volumes.rbegin(); it != volumes.rend(); ++it) {
        if (it->mft) continue;
        Rebuilt rebuilt = RebuildMft(**it->ppCandidate, NestedVolumes(volumes, *it));
        it->mft = std::move(rebuilt.mft);
        it->bRebuilt = true;
        it->bOwnsItsSectors = it->mft && rebuilt.bAnchored;
    }
    for (Volume& volume : volumes)
        if (volume.mft) volume.s64MftCluster = FormerMftCluster(**volume.ppCandidate, *volume.mft);
    return volumes;
}

CNTFSSpanSet CNTFSCompleteSearch::NestedVolumes(std::vector<Volume> const& volumes, Volume const& outer) {
    std::vector<crossvolume::FoundSpan> spans;
    spans.reserve(volumes.size());
    for (Volume const& volume : volumes) spans.push_back({volume.s64Start, volume.s64End, volume.bOwnsItsSectors});
    return crossvolume::NestedIn(spans, outer.s64Start + 1, outer.s64End);
}

CNTFSSpanSet CNTFSCompleteSearch::MftSectors(std::vector<Volume> const& volumes, std::uint32_t u32DeviceSectorSize) {
    CNTFSSpanSet sectors;
    for (Volume const& volume : volumes) {
        if (!volume.mft || u32DeviceSectorSize == 0) continue;
        auto const s64Spc = static_cast<std::int64_t>(volume.mft->Geometry().ClusterBytes() / u32DeviceSectorSize);
        for (CDataRun const& run : volume.mft->Runs().Runs()) {
            auto const first = engine::CheckedMul(run.s64LCN, s64Spc);
            auto const length = engine::CheckedMul(run.s64Count, s64Spc);
            auto const start = first ? engine::CheckedAdd(volume.s64Start, *first) : std::nullopt;
            auto const end = start && length ? engine::CheckedAdd(*start, *length) : std::nullopt;
            if (run.s64LCN >= 0 && end) sectors.Add(*start, *end);
        }
    }
    return sectors;
}

std::size_t CNTFSCompleteSearch::HandOverLooseFiles(CNTFSQuickSearch& walker, Volume const& volume,
                                                    CNTFSSpanSet const& nested, CNTFSSpanSet const& mftSectors,
                                                    CNTFSSpanSet const& claimed) {
    CNTFSMftReader const& mft = *volume.mft;
    CSearchedNTFSPartitionInfo const& partition = **volume.ppCandidate;
    NtfsVolumeGeometry const& geometry = mft.Geometry();
    std::int64_t const s64Start = volume.s64Start;
    std::int64_t const s64End = volume.s64End;
    std::int64_t const s64Spc = partition.m_u32SectorsPerCluster;
    std::uint32_t const u32RecordSectors = std::max<std::uint32_t>(1, geometry.u32RecordSize / m_u32SectorSize);
    // The MFT's clusters: each record's test is a binary search.
    CNTFSSpanSet mftClusters;
    std::uint64_t u64LiveRecords = 0;  // those the MFT maps where the boot sector puts it
    for (CDataRun const& run : mft.Runs().Runs()) {
        if (auto const end = engine::CheckedAdd(run.s64LCN, run.s64Count); run.s64LCN >= 0 && run.s64Count > 0 && end)
            mftClusters.Add(run.s64LCN, *end);
        if (run.s64VCN == 0 && run.s64LCN == volume.s64MftCluster && run.s64Count > 0 && geometry.u32RecordSize > 0)
            u64LiveRecords =
                static_cast<std::uint64_t>(run.s64Count) * geometry.ClusterBytes() / geometry.u32RecordSize;
    }
    // Calls `visit(run, sector, i)` for the i-th record of a run that lies inside the volume but
    // outside its MFT, in no volume lying in it and in no live file (a volume image stored as a
    // file): the records left by a former MFT, if they are the volume's at all.
    auto const forEachLoose = [&](auto&& visit) {
        for (auto it = FirstRecordRunFrom(s64Start); it != m_recordRuns.end() && it->s64First < s64End; ++it) {
            // A run the MFT holds whole, as most are, is passed over at once: the walk showed it.
            std::int64_t const s64RunLast = it->s64First + (it->s64Count - 1) * it->u32Sectors;
            if (it->s64First >= s64Start && s64RunLast < s64End &&
                mftClusters.FirstFreeFrom((it->s64First - s64Start) / s64Spc) > (s64RunLast - s64Start) / s64Spc)
                continue;
            for (std::int64_t i = 0; i < it->s64Count; ++i) {
                std::int64_t const s64Sector = it->s64First + i * it->u32Sectors;
                if (s64Sector < s64Start || s64Sector >= s64End) continue;
                std::int64_t const s64Cluster = (s64Sector - s64Start) / s64Spc;
                if (mftClusters.Holds(s64Cluster) || nested.Holds(s64Sector) ||
                    walker.ClusterHeldNow(static_cast<std::uint64_t>(s64Cluster)))
                    continue;
                if (!visit(*it, s64Sector, i)) return;
            }
        }
    };
    auto const volumeByte = [&](std::int64_t s64Sector) {
        return static_cast<std::uint64_t>(s64Sector - s64Start) * m_u32SectorSize;
    };
    // The numbers the scan saw tell where the former MFT's fragments lie, before any is read.
    CNTFSFormerMft former(geometry, volume.s64MftCluster, u64LiveRecords);
    forEachLoose([&](RecordRun const& run, std::int64_t s64Sector, std::int64_t i) {
        if (run.s64FirstNumber >= 0 && run.u32Sectors == u32RecordSectors)
            former.Add(static_cast<std::uint64_t>(run.s64FirstNumber + i * run.u32NumberStep), volumeByte(s64Sector),
                       claimed.Holds(s64Sector));
        return true;
    });
    former.Settle();
    std::size_t handed = 0;
    std::size_t others = 0;
    std::size_t noted = 0;
    std::vector<std::uint8_t> bytes;
    forEachLoose([&](RecordRun const& run, std::int64_t s64Sector, std::int64_t) {
        if (m_u64LooseFiles >= kMaxLooseFiles) return false;
        bytes.resize(std::size_t{run.u32Sectors} * m_u32SectorSize);
        if (m_pDevice->ReadSector(bytes.data(), s64Sector, run.u32Sectors) == 0) return true;
        CNTFSFileRecord record(engine::ByteView(bytes.data(), bytes.size()));
        // A record of another MFT, such as a deleted image's, read at this volume's offsets would
        // give other files' bytes. A record without its number tells only whose MFT holds it.
        CNTFSFormerMft::Verdict const verdict =
            record.HasXPNumberOfthisMFTRecord()
                ? former.Judge(record.GetXPNumberOfthisMFTRecord(), volumeByte(s64Sector))
                : (mftSectors.Holds(s64Sector) ? CNTFSFormerMft::Verdict::kOther : CNTFSFormerMft::Verdict::kOwn);
        if (verdict == CNTFSFormerMft::Verdict::kOther) {
            ++others;
            return true;
        }
        bool const bNoted = verdict == CNTFSFormerMft::Verdict::kNoted;
        noted += bNoted ? 1 : 0;
        std::uint32_t const u32Note = bNoted ? kCodePossiblyOverwritten : 0;
        std::uint64_t const u64Byte = static_cast<std::uint64_t>(s64Sector) * m_u32SectorSize;
        if (walker.HandOverLooseFile(mft, std::move(record), u64Byte, partition.m_u16PartitionIndex,
                                     kLooseFileIds + s64Sector, u32Note)) {
            ++m_u64LooseFiles;
            ++handed;
        }
        return true;
    });
    if (others + noted > 0)
        CatchExeception::WriteLog(
            "NTFS: of the records outside the MFT of the volume at sector %lld, %zu lie where another MFT puts "
            "them and are not listed; %zu cannot be told from another MFT's and are listed with a note\n",
            static_cast<long long>(s64Start), others, noted);
    return handed;
}

CNTFSSpanSet CNTFSCompleteSearch::MftsClaimedBesides(std::int64_t s64VolumeStart) const {
    CNTFSSpanSet claimed;
    std::size_t spans = 0;
    for (auto const& pGroup : m_groups.Groups()) {
        std::int64_t const s64GroupStart = pGroup->PartitionStart();
        std::int64_t const s64Spc = pGroup->u32SectorsPerCluster;
        if (pGroup->bMirror || s64GroupStart < 0 || s64GroupStart == s64VolumeStart || s64Spc == 0) continue;
        for (CDataRun const& run : pGroup->mft.GetDataRunList().Runs()) {
            if (++spans > kMaxClaimedSpans) return claimed;
            auto const first = engine::CheckedMul(run.s64LCN, s64Spc);
            auto const length = engine::CheckedMul(run.s64Count, s64Spc);
            auto const start = first ? engine::CheckedAdd(s64GroupStart, *first) : std::nullopt;
            auto const end = start && length ? engine::CheckedAdd(*start, *length) : std::nullopt;
            if (run.s64LCN >= 0 && end) claimed.Add(*start, *end);
        }
    }
    return claimed;
}

std::int64_t CNTFSCompleteSearch::FormerMftCluster(CSearchedNTFSPartitionInfo const& candidate,
                                                   CNTFSMftReader const& mft) const {
    if (std::optional<CNTFSDBR> const dbr = VouchingBootSector(candidate))
        return dbr->GetMFTStartCluster() <= static_cast<std::uint64_t>(INT64_MAX)
                   ? static_cast<std::int64_t>(dbr->GetMFTStartCluster())
                   : -1;
    // Without a boot sector (an image deleted from the volume it was kept on), its $MFT record is
    // the only word of where its MFT starts.
    for (CDataRun const& run : mft.Runs().Runs())
        if (run.s64VCN == 0 && run.s64Count > 0) return run.s64LCN;
    return -1;
}

std::optional<CNTFSMftReader> CNTFSCompleteSearch::OpenVolume(CSearchedNTFSPartitionInfo const& candidate) const {
    std::int64_t const s64Start = candidate.m_s64StartSector;
    if (NtfsMftGroup const* pGroup = m_groups.GroupOf(candidate)) {
        NtfsVolumeGeometry geometry;
        geometry.s64StartSector = s64Start;
        geometry.u32DeviceSectorSize = m_u32SectorSize;
        geometry.u32SectorSize = m_u32SectorSize;
        geometry.u32SectorsPerCluster = candidate.m_u32SectorsPerCluster;
        geometry.u32RecordSize = pGroup->u32RecordBytes;
        std::uint64_t const u64VolumeBytes = candidate.GetTotalSectors() * m_u32SectorSize;
        if (auto mft = CNTFSMftReader::OpenAt(
                *m_pDevice, geometry, static_cast<std::uint64_t>(pGroup->mft.GetFirstClusterNO()), u64VolumeBytes))
            return mft;
    }
    if ((candidate.GetPartitionBuildFromFlags() & kFromPrimaryBoot) != 0)
        if (auto mft = CNTFSMftReader::Open(*m_pDevice, s64Start)) return mft;
    for (auto const& [s64Backup, s64Owner] : m_backupOf)
        if (s64Owner == s64Start)
            if (auto mft = CNTFSMftReader::Open(*m_pDevice, s64Start, s64Backup)) return mft;
    return std::nullopt;
}

bool CNTFSCompleteSearch::HoldsRecords(CSearchedNTFSPartitionInfo const& candidate) const {
    std::int64_t const s64Start = candidate.m_s64StartSector;
    std::int64_t const s64End = s64Start + static_cast<std::int64_t>(candidate.GetTotalSectors());
    auto const it = FirstRecordRunFrom(s64Start);
    return it != m_recordRuns.end() && it->s64First < s64End;
}

std::vector<CNTFSCompleteSearch::RecordRun>::const_iterator CNTFSCompleteSearch::FirstRecordRunFrom(
    std::int64_t s64Sector) const {
    return std::lower_bound(
        m_recordRuns.begin(), m_recordRuns.end(), s64Sector,
        [](RecordRun const& run, std::int64_t s64At) { return run.s64First + run.s64Count * run.u32Sectors <= s64At; });
}

std::optional<CNTFSDBR> CNTFSCompleteSearch::VouchingBootSector(CSearchedNTFSPartitionInfo const& candidate) const {
    std::vector<std::int64_t> sectors;
    if ((candidate.GetPartitionBuildFromFlags() & kFromPrimaryBoot) != 0) sectors.push_back(candidate.m_s64StartSector);
    for (auto const& [s64Backup, s64Owner] : m_backupOf)
        if (s64Owner == candidate.m_s64StartSector) sectors.push_back(s64Backup);
    std::vector<std::uint8_t> bytes(m_u32SectorSize);
    for (std::int64_t s64Sector : sectors) {
        CNTFSDBR dbr;
        if (m_pDevice->ReadSector(bytes.data(), s64Sector, 1) != 0 &&
            dbr.InitFromBuffer(engine::ByteView(bytes.data(), bytes.size())))
            return dbr;
    }
    return std::nullopt;
}

CNTFSCompleteSearch::Rebuilt CNTFSCompleteSearch::RebuildMft(CSearchedNTFSPartitionInfo const& candidate,
                                                             CNTFSSpanSet const& nested) {
    std::optional<CNTFSDBR> const dbr = VouchingBootSector(candidate);
    if (!dbr) return {};
    NtfsVolumeGeometry geometry;
    geometry.s64StartSector = candidate.m_s64StartSector;
    geometry.u32DeviceSectorSize = m_u32SectorSize;
    geometry.u32SectorSize = m_u32SectorSize;
    geometry.u32SectorsPerCluster = candidate.m_u32SectorsPerCluster;
    geometry.u32RecordSize = dbr->GetFileRecordSizeByByte();
    if (geometry.u32RecordSize < ntfs::kMinFileRecordSize || geometry.u32RecordSize > ntfs::kMaxFileRecordSize ||
        geometry.u32RecordSize % m_u32SectorSize != 0 || geometry.ClusterBytes() == 0)
        return {};
    std::int64_t const s64Start = candidate.m_s64StartSector;
    std::uint64_t const u64VolumeBytes =
        engine::CheckedMul<std::uint64_t>(candidate.GetTotalSectors(), std::uint64_t{m_u32SectorSize})
            .value_or(UINT64_MAX);
    std::uint64_t const u64MftCluster = dbr->GetMFTStartCluster();
    CNTFSRebuiltMft rebuilt(geometry, u64VolumeBytes,
                            u64MftCluster <= INT64_MAX ? static_cast<std::int64_t>(u64MftCluster) : -1);
    bool bNumbered = false;
    std::uint32_t const u32RecordSectors = geometry.u32RecordSize / m_u32SectorSize;
    std::int64_t const s64End = s64Start + static_cast<std::int64_t>(candidate.GetTotalSectors());
    // Records are read in stretches of consecutive ones, each sector once.
    constexpr std::int64_t kStretchRecords = 128;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kStretchRecords) * geometry.u32RecordSize);
    for (auto it = FirstRecordRunFrom(s64Start); it != m_recordRuns.end() && it->s64First < s64End; ++it) {
        if (it->u32Sectors != u32RecordSectors) continue;
        // The run's records inside the partition.
        std::int64_t const s64Skip =
            it->s64First < s64Start ? (s64Start - it->s64First + u32RecordSectors - 1) / u32RecordSectors : 0;
        std::int64_t const s64Fit = (s64End - it->s64First) / u32RecordSectors;
        std::int64_t const s64Count = std::min(it->s64Count, s64Fit);
        for (std::int64_t i = s64Skip; i < s64Count && m_u64RebuildReads < kMaxRebuildReads; i += kStretchRecords) {
            std::int64_t const s64Records = std::min(kStretchRecords, s64Count - i);
            m_u64RebuildReads += static_cast<std::uint64_t>(s64Records);
            std::int64_t const s64Sector = it->s64First + i * u32RecordSectors;
            if (m_pDevice->ReadSector(bytes.data(), s64Sector, s64Records * u32RecordSectors) == 0) continue;
            for (std::int64_t k = 0; k < s64Records; ++k) {
                std::size_t const offset = static_cast<std::size_t>(k) * geometry.u32RecordSize;
                CNTFSFileRecord const record(engine::ByteView(bytes.data() + offset, geometry.u32RecordSize));
                if (!record.IsValid() || !record.HasXPNumberOfthisMFTRecord()) continue;
                std::int64_t const s64Record = s64Sector + k * u32RecordSectors;
                std::uint64_t const u64Number = record.GetXPNumberOfthisMFTRecord();
                std::uint64_t const u64VolumeByte = static_cast<std::uint64_t>(s64Record - s64Start) * m_u32SectorSize;
                // A record inside a volume lying in this one is that volume's, unless it lies
                // just where this volume's boot sector puts it (partitions that overlap).
                if (nested.Holds(s64Record) && !rebuilt.IsWhereTheBootSectorPutsIt(u64Number, u64VolumeByte)) continue;
                bNumbered = true;
                rebuilt.Add(u64Number, u64VolumeByte);
            }
        }
    }
    if (!bNumbered) return {CNTFSMftReader(*m_pDevice, geometry, CNTFSDataRunList(), 0), false};
    // Records none of which lie where the boot sector puts the MFT are another volume's (the boot
    // sector is a stray copy, or the volume's own records are gone): read at this volume's
    // place, their files would be other bytes.
    if (!rebuilt.Anchored()) return {};
    return {rebuilt.Reader(*m_pDevice), true};
}

void CNTFSCompleteSearch::Settle() {
    if (m_bSettled) return;
    m_bSettled = true;
    FlushCarry();
    m_groups.Propose(m_candidates);
    m_logFiles.Propose(m_candidates);
    ScoreAndDrop();
    m_volumes = OpenVolumes(m_candidates.Candidates());
}

FoundVolumeList CNTFSCompleteSearch::ListVolumes() {
    FoundVolumeList list{.eSearcher = SEARCHER_TYPE_NTFS};
    if (m_join.empty()) return list;
    Settle();
    for (std::size_t k = 0; k < m_volumes.size(); ++k) {
        Volume const& volume = m_volumes[k];
        CSearchedNTFSPartitionInfo const& candidate = **volume.ppCandidate;
        bool const bBoot = (candidate.GetPartitionBuildFromFlags() & kFromPrimaryBoot) != 0;
        // Not built: no tree to read. A boot sector whose MFT lies elsewhere may still start a
        // volume stored in pieces in a file, which a scan of that file reads whole; nothing of
        // it was read here, neither an MFT nor records.
        if (!volume.mft && !bBoot) continue;
        bool const bUnread =
            !volume.mft || (volume.bRebuilt && volume.mft->Runs().Runs().empty() && !HoldsRecords(candidate));
        list.volumes.emplace_back(
            k, FoundVolume{.s64Start = volume.s64Start,
                           .s64Sectors = volume.s64End - volume.s64Start,
                           .s64RecordStart = volume.s64Start,
                           .bBootSector = bBoot,
                           .u64Serial = candidate.GetSerialNumber(),
                           .u32ClusterBytes = candidate.m_u32SectorsPerCluster * candidate.m_u32SectorSize,
                           .bUnread = bUnread,
                           .s64Anchor = bBoot || !volume.mft ? -1 : MftRecordSector(*volume.mft)});
    }
    list.u32IndexBound = static_cast<std::uint32_t>(m_volumes.size());
    return list;
}

void CNTFSCompleteSearch::ReportUse(std::size_t number, CVolumeUse& use) {
    if (number >= m_volumes.size()) return;
    Volume const& volume = m_volumes[number];
    if (volume.mft) ntfscomplete::ReportVolumeUse(*volume.mft, volume.s64End - volume.s64Start, volume.bRebuilt, use);
    // Without an MFT read here, only its boot sector tells how far a file holding it reaches.
    if (!volume.mft || volume.mft->Runs().Runs().empty())
        if (std::optional<CNTFSDBR> const dbr = VouchingBootSector(**volume.ppCandidate))
            ntfscomplete::ReportBootSectorStructures(*dbr, volume.s64Start, m_u32SectorSize, use);
}

void CNTFSCompleteSearch::EndSearch(int iBuild) {
    if (m_join.empty()) return;
    if (iBuild != 0) {
        Settle();
        if (m_pBuilder != nullptr) BuildTrees();
    }
    // What the evidence lists hold is of no use after the trees: free it now.
    std::vector<std::uint8_t>().swap(m_join);
    std::vector<std::uint8_t>().swap(m_block);
    ResetEvidence();
}

int CNTFSCompleteSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    int const iFound = static_cast<int>(m_partitions.size());
    if (ppPartitions == nullptr || iCount < iFound) return iFound;
    for (int k = 0; k < iFound; ++k)
        ppPartitions[k] = new CSearchedNTFSPartitionInfo(*m_partitions[static_cast<std::size_t>(k)]);
    return iFound;
}
