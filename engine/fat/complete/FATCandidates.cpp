#include "engine/fat/complete/FATCandidates.h"

#include <algorithm>
#include <array>

#include "engine/CatchExeception.h"
#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

struct TypeLimits {
    FileSystemType eType;
    std::uint64_t u64MinClusters;
    std::uint64_t u64EndClusters;  // exclusive
    std::uint32_t u32HalfBytes;    // per FAT entry
};

constexpr TypeLimits kFat32{FILE_SYSTEM_FAT32, 65524, 0x0FFFFFF4, 8};
constexpr TypeLimits kFat16{FILE_SYSTEM_FAT16, 4085, 65524, 4};
constexpr TypeLimits kFat12{FILE_SYSTEM_FAT12, 1, 4085, 3};
constexpr std::array<std::uint32_t, 8> kSectorsPerCluster = {1, 2, 4, 8, 16, 32, 64, 128};
/// Where mkfs and Windows put FAT32's backup boot sector.
constexpr std::uint64_t kBackupOffset = 6;
/// A FAT16 root folder guessed for a volume found from its folders: 512 entries.
constexpr std::uint32_t kGuessedRootBytes = 16384;

bool InRange(TypeLimits const& limits, std::uint64_t u64Clusters) {
    return u64Clusters >= limits.u64MinClusters && u64Clusters < limits.u64EndClusters;
}

TypeLimits const& LimitsOf(FileSystemType eType) {
    return eType == FILE_SYSTEM_FAT12 ? kFat12 : eType == FILE_SYSTEM_FAT16 ? kFat16 : kFat32;
}

/// Sectors one FAT copy needs for `u64Clusters` entries.
std::uint64_t FATSectors(TypeLimits const& limits, std::uint64_t u64Clusters, std::uint32_t u32SectorSize) {
    std::uint64_t const u64HalfSector = std::uint64_t{2} * u32SectorSize;
    return (u64Clusters * limits.u32HalfBytes + u64HalfSector - 1) / u64HalfSector;
}

}  // namespace

CFATCandidates::Candidate CFATCandidates::FromBootSector(CTempFATDBR const& dbr, std::uint64_t u64Start,
                                                         bool bBackup) const {
    FileSystemType const eType = dbr.GetFileSystemType();
    if (!fat::IsFatType(eType) || u64Start >= m_u64DeviceSectors) return nullptr;
    TypeLimits const& limits = LimitsOf(eType);
    // The volume as formatted decides its cluster count, as it decided its FAT size; a device
    // that ends early (a partial image) holds less of it, not another volume.
    std::uint64_t const u64OwnTotal = dbr.GetTotalSectors();
    std::uint64_t const u64Total = std::min(u64OwnTotal, m_u64DeviceSectors - u64Start);
    std::uint64_t const u64DataOffset = dbr.GetFirstDataSector();  // 64-bit: FATs x sectors per FAT cannot wrap
    if (u64DataOffset >= u64Total) return nullptr;
    std::uint32_t const u32Spc = dbr.GetSectorsperCluster();
    if (u32Spc == 0) return nullptr;
    std::uint64_t const u64Clusters = (u64OwnTotal - u64DataOffset) / u32Spc;
    if (!InRange(limits, u64Clusters) || FATSectors(limits, u64Clusters, m_u32SectorSize) > dbr.GetSectorsPerFat())
        return nullptr;
    std::uint32_t const u32RootCluster = dbr.GetRootDirStartCluster();
    if (eType == FILE_SYSTEM_FAT32 && (u32RootCluster < 2 || u32RootCluster - 2 >= u64Clusters)) return nullptr;

    auto pCandidate = std::make_unique<CFATSearchedPartitionInfo>(m_u32SectorSize);
    pCandidate->m_s64StartSector = static_cast<std::int64_t>(u64Start + u64DataOffset);
    pCandidate->m_u32SectorsPerCluster = u32Spc;
    pCandidate->m_u32FileSystemType = eType;
    pCandidate->SetTotalSectors(u64Total);
    pCandidate->SetSectorPerFAT(dbr.GetSectorsPerFat());
    pCandidate->SetTotalCluster(static_cast<std::uint32_t>(u64Clusters));
    pCandidate->SetStartSector(u64Start);
    pCandidate->SetReservedSector(static_cast<std::uint16_t>(dbr.GetReservedSector()));
    pCandidate->SetRootInfo(fat::HasFixedRoot(eType) ? dbr.GetRootDirSectors() : u32RootCluster);
    if (eType == FILE_SYSTEM_FAT32)
        pCandidate->MergeFlag(bBackup ? CFATSearchedPartitionInfo::kFlagFat32Backup
                                      : CFATSearchedPartitionInfo::kFlagFat32Boot);
    else if (!bBackup)
        pCandidate->MergeFlag(CFATSearchedPartitionInfo::kFlagFat16Boot);
    return pCandidate;
}

CFATCandidates::Candidate CFATCandidates::FromFolder(std::uint64_t u64DataStart, std::uint32_t u32Spc) const {
    if (u64DataStart >= m_u64DeviceSectors) return nullptr;
    // The volume is assumed to reach the device's end, with one reserved sector and two FATs
    // before the data area.
    std::uint64_t const u64Clusters = (m_u64DeviceSectors - u64DataStart) / u32Spc;
    for (TypeLimits const* pLimits : {&kFat32, &kFat16}) {
        std::uint64_t u64Fitting = u64Clusters;
        std::uint64_t u64FatSectors = FATSectors(*pLimits, u64Clusters, m_u32SectorSize);
        if (!InRange(*pLimits, u64Clusters)) continue;
        if (u64DataStart / 2 < u64FatSectors) {
            // The FATs do not fit before the data area: a smaller volume's might, and its FATs
            // are the smaller ones that fit.
            u64Fitting = (u64DataStart > 0 ? (u64DataStart - 1) / 2 : 0) * 2 * m_u32SectorSize / pLimits->u32HalfBytes;
            if (!InRange(*pLimits, u64Fitting)) continue;
            u64FatSectors = FATSectors(*pLimits, u64Fitting, m_u32SectorSize);
        }
        if (u64DataStart < 2 * u64FatSectors + 1) continue;
        std::uint64_t u64Start = u64DataStart - 2 * u64FatSectors - 1;
        std::uint64_t u64RootSectors = 0;
        if (pLimits->eType == FILE_SYSTEM_FAT16) {
            u64RootSectors = std::min<std::uint64_t>(u64Start, kGuessedRootBytes / m_u32SectorSize);
            u64Start -= u64RootSectors;
        }
        auto pCandidate = std::make_unique<CFATSearchedPartitionInfo>(m_u32SectorSize);
        pCandidate->m_s64StartSector = static_cast<std::int64_t>(u64DataStart);
        pCandidate->m_u32SectorsPerCluster = u32Spc;
        pCandidate->m_u32FileSystemType = pLimits->eType;
        pCandidate->SetTotalSectors(u64Fitting * u32Spc + u64RootSectors + 2 * u64FatSectors + 1);
        pCandidate->SetSectorPerFAT(static_cast<std::uint32_t>(u64FatSectors));
        pCandidate->SetTotalCluster(static_cast<std::uint32_t>(u64Fitting));
        pCandidate->SetStartSector(u64Start);
        pCandidate->SetReservedSector(1);
        pCandidate->SetRootInfo(pLimits->eType == FILE_SYSTEM_FAT16 ? static_cast<std::uint32_t>(u64RootSectors) : 2);
        pCandidate->MergeFlag(CFATSearchedPartitionInfo::kFlagFolder);
        return pCandidate;
    }
    return nullptr;
}

CFATSearchedPartitionInfo* CFATCandidates::FindSame(std::uint64_t u64DataStart, std::uint32_t u32Spc) const {
    auto [first, last] = m_candidates.equal_range(u64DataStart);
    for (auto it = first; it != last; ++it)
        if (it->second->m_u32SectorsPerCluster == u32Spc) return it->second.get();
    return nullptr;
}

bool CFATCandidates::Insert(Candidate pCandidate, bool bExpectFATs) {
    if (m_candidates.size() >= kMaxCandidates) {
        if (!m_bCapLogged)
            CatchExeception::WriteLog("FAT search: %zu candidate volumes reached; no more are taken\n", kMaxCandidates);
        m_bCapLogged = true;
        return false;
    }
    CFATSearchedPartitionInfo* pRaw = pCandidate.get();
    m_candidates.emplace(static_cast<std::uint64_t>(pRaw->m_s64StartSector), std::move(pCandidate));
    if (bExpectFATs) {
        auto const s64FirstFat = static_cast<std::int64_t>(pRaw->GetStartSector() + pRaw->GetReservedSector());
        m_expectedFATs.emplace(s64FirstFat, pRaw);
        m_expectedFATs.emplace(s64FirstFat + pRaw->GetSectorPerFAT(), pRaw);
    }
    return true;
}

bool CFATCandidates::AddBootSector(engine::ByteView sector, std::int64_t s64Sector) {
    if (s64Sector < 0) return false;
    CTempFATDBR const dbr(sector, m_u32SectorSize);
    if (!dbr.IsValidDBR()) return false;
    auto const u64Sector = static_cast<std::uint64_t>(s64Sector);
    bool bAccepted = false;
    if (Candidate pPrimary = FromBootSector(dbr, u64Sector, false)) {
        Insert(std::move(pPrimary), true);
        bAccepted = true;
    }
    if (dbr.GetFileSystemType() == FILE_SYSTEM_FAT32 && u64Sector >= kBackupOffset) {
        if (Candidate pBackup = FromBootSector(dbr, u64Sector - kBackupOffset, true)) {
            bAccepted = true;
            if (CFATSearchedPartitionInfo* pSame =
                    FindSame(static_cast<std::uint64_t>(pBackup->m_s64StartSector), pBackup->m_u32SectorsPerCluster))
                pSame->MergeFlag(CFATSearchedPartitionInfo::kFlagFat32Backup);
            else
                Insert(std::move(pBackup), true);
        }
    }
    return bAccepted;
}

void CFATCandidates::NoteFATSector(std::int64_t s64Sector) {
    auto [first, last] = m_expectedFATs.equal_range(s64Sector);
    for (auto it = first; it != last; ++it) {
        CFATSearchedPartitionInfo& candidate = *it->second;
        auto const u64FirstFat = candidate.GetStartSector() + candidate.GetReservedSector();
        if (u64FirstFat == static_cast<std::uint64_t>(s64Sector))
            candidate.MergeFlag(CFATSearchedPartitionInfo::kFlagFirstFat);
        else if (u64FirstFat + candidate.GetSectorPerFAT() == static_cast<std::uint64_t>(s64Sector))
            candidate.MergeFlag(CFATSearchedPartitionInfo::kFlagSecondFat);
    }
    // Sectors come in rising order: positions passed can no longer be met.
    m_expectedFATs.erase(m_expectedFATs.begin(), last);
}

void CFATCandidates::AddFolderStart(std::int64_t s64Sector, std::uint32_t u32Cluster) {
    // Clusters 0 and 1 do not exist: such a "." entry places nothing.
    if (s64Sector < 0 || u32Cluster < 2) return;
    auto const u64Sector = static_cast<std::uint64_t>(s64Sector);
    std::array<std::uint32_t, kSectorsPerCluster.size()> remembered{};
    std::size_t count = 0;
    for (std::uint32_t const u32Spc : kSectorsPerCluster) {
        std::uint64_t const u64Offset = std::uint64_t{u32Cluster - 2} * u32Spc;
        if (u64Offset > u64Sector) continue;
        if (CFATSearchedPartitionInfo* pSame = FindSame(u64Sector - u64Offset, u32Spc)) {
            pSame->MergeFlag(CFATSearchedPartitionInfo::kFlagFolder);
            pSame->AddMatch();
            return;
        }
        remembered[count++] = u32Spc;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t const u64DataStart = u64Sector - std::uint64_t{u32Cluster - 2} * remembered[i];
        if (Candidate pCandidate = FromFolder(u64DataStart, remembered[i]))
            if (!Insert(std::move(pCandidate), false)) return;
    }
}

double CFATCandidates::Score(CFATSearchedPartitionInfo const& candidate) {
    using Info = CFATSearchedPartitionInfo;
    bool const bFirstFat = candidate.HasFlag(Info::kFlagFirstFat);
    bool const bSecondFat = candidate.HasFlag(Info::kFlagSecondFat);
    double const dFatPoints = bFirstFat && bSecondFat ? 50 : (bFirstFat || bSecondFat ? 45 : 10);
    double dBootPoints = 10;
    if (candidate.m_u32FileSystemType == FILE_SYSTEM_FAT32) {
        bool const bBoot = candidate.HasFlag(Info::kFlagFat32Boot);
        bool const bBackup = candidate.HasFlag(Info::kFlagFat32Backup);
        dBootPoints = bBoot && bBackup ? 50 : (bBoot || bBackup ? 45 : 10);
    } else if (candidate.HasFlag(Info::kFlagFat16Quick | Info::kFlagFat16Boot)) {
        dBootPoints = 50;
    }
    return dFatPoints + dBootPoints;
}

bool CFATCandidates::Overlap(CFATSearchedPartitionInfo const& a, CFATSearchedPartitionInfo const& b) {
    return a.GetStartSector() < b.GetStartSector() + b.GetTotalSectors() &&
           b.GetStartSector() < a.GetStartSector() + a.GetTotalSectors();
}

bool CFATCandidates::HasEnoughEvidence(CFATSearchedPartitionInfo const& candidate) {
    bool const bBoot = candidate.HasFlag(CFATSearchedPartitionInfo::kBootFlags);
    bool const bMatched = candidate.GetMatchCount() >= 1;
    bool const bFat =
        candidate.HasFlag(CFATSearchedPartitionInfo::kFlagFirstFat | CFATSearchedPartitionInfo::kFlagSecondFat);
    return bBoot ? bMatched || bFat : bMatched;
}

bool CFATCandidates::IsSound(CFATSearchedPartitionInfo const& candidate) {
    return candidate.HasFlag(CFATSearchedPartitionInfo::kBootFlags) &&
           candidate.HasFlag(CFATSearchedPartitionInfo::kFlagFirstFat | CFATSearchedPartitionInfo::kFlagSecondFat);
}

std::vector<CFATSearchedPartitionInfo const*> CFATCandidates::SoundCandidates() const {
    std::vector<CFATSearchedPartitionInfo const*> sound;
    for (auto const& [u64DataStart, pCandidate] : m_candidates)
        if (IsSound(*pCandidate)) sound.push_back(pCandidate.get());
    return sound;
}

bool CFATCandidates::YieldsNow(CFATSearchedPartitionInfo const& candidate) const {
    double const dScore = Score(candidate);
    return std::any_of(m_candidates.begin(), m_candidates.end(), [&](auto const& entry) {
        CFATSearchedPartitionInfo const& other = *entry.second;
        return &other != &candidate && HasEnoughEvidence(other) && Score(other) > dScore &&
               GivesWayTo(candidate, other);
    });
}

bool CFATCandidates::GivesWayTo(CFATSearchedPartitionInfo const& candidate, CFATSearchedPartitionInfo const& other) {
    if (!Overlap(candidate, other)) return false;
    bool const bInOthersData = candidate.GetStartSector() >= static_cast<std::uint64_t>(other.m_s64StartSector);
    return !(bInOthersData && IsSound(candidate));
}

std::vector<CFATSearchedPartitionInfo*> CFATCandidates::TakeSettled(std::uint64_t u64Analysed) {
    std::vector<CFATSearchedPartitionInfo*> settled;
    if (m_candidates.size() > kMaxSettleCandidates) return settled;
    for (auto const& [u64DataStart, pCandidate] : m_candidates) {
        CFATSearchedPartitionInfo& candidate = *pCandidate;
        if (m_settled.count(&candidate) != 0) continue;
        // Its evidence, and the folder records its build reads, lie up to the sector after its end.
        if (candidate.GetStartSector() + candidate.GetTotalSectors() >= u64Analysed) break;
        if (!HasEnoughEvidence(candidate)) continue;
        if (candidate.GetMatchCount() >= 1 || Score(candidate) >= kTopScore) {
            // A volume without boot sector reads its lost root around the volumes found with
            // it, which only the end knows.
            if (!candidate.HasFlag(CFATSearchedPartitionInfo::kBootFlags) || m_settled.size() >= kMaxFound) break;
            candidate.m_dScore = Score(candidate);
            candidate.m_u16PartitionIndex = static_cast<std::uint16_t>(m_settled.size());
            m_settled.insert(&candidate);
            settled.push_back(&candidate);
            continue;
        }
        if (!YieldsNow(candidate)) break;
    }
    return settled;
}

std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> CFATCandidates::TakeFound() {
    std::vector<Candidate> kept;
    for (auto& [u64DataStart, pCandidate] : m_candidates) {
        if (!HasEnoughEvidence(*pCandidate)) continue;
        pCandidate->m_dScore = Score(*pCandidate);
        kept.push_back(std::move(pCandidate));
    }
    m_candidates.clear();
    m_expectedFATs.clear();

    // A boot sector read at the wrong offset (FAT32's backup as a first sector, or the other way
    // round) gives a candidate overlapping the real volume, and a FAT's middle sectors full of
    // end-of-chain marks pass for the FAT starts it expects. No folder confirms its data area:
    // it yields to a better-scored volume it overlaps. The pairs weighed are bounded, so that a
    // crafted disk cannot make this pass run on.
    std::uint64_t u64PairsLeft = kMaxOverlapPairs;
    std::vector<bool> yields(kept.size(), false);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        CFATSearchedPartitionInfo const& candidate = *kept[i];
        for (std::size_t j = 0; candidate.GetMatchCount() == 0 && !yields[i] && j < kept.size() && u64PairsLeft > 0;
             ++j, --u64PairsLeft)
            yields[i] = j != i && kept[j]->m_dScore > candidate.m_dScore && GivesWayTo(candidate, *kept[j]);
    }
    // The volumes already rebuilt keep their numbers: their nodes carry them. They are the first
    // by data area unless a volume before them gained its evidence after they were settled.
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> found(m_settled.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (m_settled.count(kept[i].get()) != 0) found[kept[i]->m_u16PartitionIndex] = std::move(kept[i]);
    m_settled.clear();
    std::erase(found, nullptr);  // evidence only grows: every settled volume is still kept
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (!kept[i] || yields[i]) continue;
        if (found.size() >= kMaxFound) break;
        kept[i]->m_u16PartitionIndex = static_cast<std::uint16_t>(found.size());
        found.push_back(std::move(kept[i]));
    }
    return found;
}
