#include "engine/fat/complete/FATCompleteSearcher.h"

#include <algorithm>
#include <mutex>

#include "engine/CatchExeception.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/device/OneSector.h"
#include "engine/fat/FATTable.h"
#include "engine/fat/complete/FATCompleteBuild.h"
#include "engine/fat/complete/FATVolumeUse.h"
#include "engine/fat/ondisk/FATTableCheck.h"
#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDBR.h"

namespace {

/// The serial of the boot sector at `u64Sector`; 0 when none can be read there.
std::uint32_t VolumeSerialAt(IStorageDevice& device, std::uint64_t u64Sector) {
    std::vector<std::uint8_t> const sector = devicesector::ReadOne(device, static_cast<std::int64_t>(u64Sector));
    return sector.empty()
               ? 0
               : CTempFATDBR(engine::ByteView(sector.data(), sector.size()), static_cast<std::uint32_t>(sector.size()))
                     .GetVolumeSerial();
}

/// At most this many bytes are read at once: the controller's whole 4 MiB block in one copy,
/// which is cheaper than smaller pieces.
constexpr std::uint64_t kReadBytes = 0x400000;

/// Where the parts of a found volume lie, in device sectors.
FATVolumeGeometry GeometryOf(CFATSearchedPartitionInfo const& volume) {
    FATVolumeGeometry geometry;
    geometry.eType = static_cast<FileSystemType>(volume.m_u32FileSystemType);
    geometry.u32SectorSize = volume.m_u32SectorSize;
    geometry.u32SectorsPerCluster = std::max<std::uint32_t>(1, volume.m_u32SectorsPerCluster);
    geometry.u64FirstDataSector = static_cast<std::uint64_t>(volume.m_s64StartSector);
    geometry.u64TotalSectors = volume.GetTotalSectors();
    geometry.u32Clusters = volume.GetTotalCluster();
    if (fat::HasFixedRoot(geometry.eType)) {
        geometry.u32RootSectors = volume.GetRootInfo();
        geometry.u64RootSector =
            geometry.u64FirstDataSector - std::min<std::uint64_t>(geometry.u64FirstDataSector, geometry.u32RootSectors);
    } else {
        geometry.u32RootCluster = volume.GetRootInfo();
        geometry.u64RootSector = geometry.ClusterToSector(std::max<std::uint32_t>(2, geometry.u32RootCluster));
    }
    return geometry;
}

/// The volume's table: its first copy, else its second, as its evidence found them.
std::unique_ptr<CDoubleFATTable> TableOf(IStorageDevice* pDevice, CFATSearchedPartitionInfo const& volume,
                                         FATVolumeGeometry const& geometry) {
    return IFATTableFactory::CreateFATTable(
        pDevice, static_cast<long long>(volume.GetStartSector() + volume.GetReservedSector()), geometry.eType,
        volume.GetSectorPerFAT(), (volume.GetFlag() & 128) != 0, (volume.GetFlag() & 512) != 0,
        geometry.u32Clusters + 2);
}

/// The volumes of `sound` that start inside `volume`'s data area (a file's clusters: a boot sector
/// read in its reserved sectors is none), those nested in them merged in.
CSpanSet NestedIn(CFATSearchedPartitionInfo const& volume, std::span<crossvolume::FoundSpan const> sound) {
    return crossvolume::NestedIn(sound, volume.m_s64StartSector,
                                 static_cast<std::int64_t>(volume.GetStartSector() + volume.GetTotalSectors()));
}

/// A copy of a found volume's record for a copy-out object, its score with it.
CFATSearchedPartitionInfo* CloneWithScore(CFATSearchedPartitionInfo const& volume) {
    CFATSearchedPartitionInfo* pCopy = volume.Clone();
    pCopy->m_dScore = volume.m_dScore;
    return pCopy;
}

}  // namespace

ICompleteFileSystemSearchController* CreateFATSearcher() { return new CFATCompleteFSearcher(); }

void CFATCompleteFSearcher::SetDevice(IStorageDevice* pDevice) {
    m_pDevice = pDevice;
    if (!pDevice) return;
    int const iSectorSize = pDevice->GetSectorSize();
    m_u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : 0;
    long long const s64Sectors = pDevice->GetTotalSectors();
    m_pCandidates =
        std::make_unique<CFATCandidates>(m_u32SectorSize, s64Sectors > 0 ? static_cast<std::uint64_t>(s64Sectors) : 0);
    m_analyser = CFATFolderAnalyser(m_u32SectorSize);
}

RESULT CFATCompleteFSearcher::PreparetoSearch() {
    {
        std::lock_guard const lock(m_foundLock);
        m_found.clear();
        m_builtCopies.clear();
    }
    m_built.clear();
    m_waiting.clear();
    m_folderSectors.Clear();
    m_bSettled = false;
    if (m_pDevice) SetDevice(m_pDevice);
    return kResultSuccess;
}

int CFATCompleteFSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    std::lock_guard const lock(m_foundLock);
    auto const& volumes = m_found.empty() ? m_builtCopies : m_found;
    int const iFound = static_cast<int>(volumes.size());
    if (!ppPartitions) return iFound;
    // A short array still learns the count, so that the caller can ask again with room for all.
    int const iFilled = std::min(iFound, std::max(iCount, 0));
    for (int i = 0; i < iFilled; ++i) ppPartitions[i] = CloneWithScore(*volumes[static_cast<std::size_t>(i)]);
    return iFound;
}

RESULT CFATCompleteFSearcher::AnalyzeBlock(long long s64First, long long s64Count) {
    if (!m_pDevice || !m_pCandidates || m_iSectorsPerBlock <= 0)
        return ENGINE_RESULT(kModuleFatSearch, kCodeBadArgument);
    if (!SectorSizeSupported() || s64First < 0 || s64Count <= 0) return kResultSuccess;
    std::int64_t const s64PerRead = static_cast<std::int64_t>(kReadBytes / m_u32SectorSize);
    for (std::int64_t s64Done = 0; s64Done < s64Count;) {
        std::int64_t const s64Sectors = std::min<std::int64_t>(s64PerRead, s64Count - s64Done);
        std::int64_t const s64Start = s64First + s64Done;
        m_block.resize(static_cast<std::size_t>(s64Sectors) * m_u32SectorSize);
        if (m_pDevice->ReadSector(m_block.data(), s64Start, s64Sectors)) {
            for (std::int64_t i = 0; i < s64Sectors; ++i)
                AnalyzeSector(engine::ByteView(m_block.data() + i * m_u32SectorSize, m_u32SectorSize), s64Start + i);
        } else {
            // One bad sector must not hide the rest of the piece: each is read alone.
            for (std::int64_t i = 0; i < s64Sectors; ++i)
                if (m_pDevice->ReadSector(m_block.data(), s64Start + i, 1))
                    AnalyzeSector(engine::ByteView(m_block.data(), m_u32SectorSize), s64Start + i);
        }
        s64Done += s64Sectors;
    }
    BuildSettledVolumes(s64First + s64Count);
    return kResultSuccess;
}

RESULT CFATCompleteFSearcher::AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) {
    if (!m_pDevice || !m_pCandidates || m_iSectorsPerBlock <= 0)
        return ENGINE_RESULT(kModuleFatSearch, kCodeBadArgument);
    if (!SectorSizeSupported() || s64First < 0 || s64Count <= 0) return kResultSuccess;
    auto const bytes = engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(s64Count), m_u32SectorSize);
    if (!bytes || *bytes > block.Size()) return AnalyzeBlock(s64First, s64Count);
    for (std::int64_t i = 0; i < s64Count; ++i)
        AnalyzeSector(block.Sub(static_cast<std::size_t>(i) * m_u32SectorSize, m_u32SectorSize), s64First + i);
    BuildSettledVolumes(s64First + s64Count);
    return kResultSuccess;
}

void CFATCompleteFSearcher::AnalyzeSector(engine::ByteView sector, std::int64_t s64Sector) {
    if (sector.Size() == 0 || sector.U8(0) == 0) return;
    if (CTempFATDBR::SimpleCheck(sector) && m_pCandidates->AddBootSector(sector, s64Sector)) {
        if (m_pFoundVolumes != nullptr)
            m_pFoundVolumes->NoteSeen(
                s64Sector, static_cast<std::int64_t>(CTempFATDBR(sector, m_u32SectorSize).GetTotalSectors()));
        return;
    }
    FileSystemType eFatType = FILE_SYSTEM_UNRECOGNISED;
    if (fat::IsValidFATTableFirstSector(sector, eFatType)) {
        m_pCandidates->NoteFATSector(s64Sector);
        return;
    }
    if (!m_analyser.AnalyseSector(sector)) return;
    FATFolderSector record{s64Sector, FATFolderSector::kNotFirst, FATFolderSector::kNotFirst};
    if (m_analyser.GetDirectoryEntryType() == CFATFolderAnalyser::kFolderFirstSector) {
        std::uint32_t const u32Cluster = m_analyser.GetCurDirFirstClusterNum();
        // A "." naming a cluster below 2 names no folder.
        if (u32Cluster < 2) return;
        m_pCandidates->AddFolderStart(s64Sector, u32Cluster);
        record.u32Cluster = u32Cluster;
        record.u32ParentCluster = m_analyser.GetParentFirstClusterNum();
    }
    if (!m_folderSectors.Add(record) && !m_bRecordsCapLogged) {
        CatchExeception::WriteLog("FAT search: %zu folder sectors recorded; no more are kept\n",
                                  CFATFolderSectors::kMaxRecords);
        m_bRecordsCapLogged = true;
    }
}

void CFATCompleteFSearcher::BuildSettledVolumes(long long s64Analysed) {
    if (!m_pBuilder || s64Analysed <= 0) return;
    std::vector<CFATSearchedPartitionInfo*> settled = std::exchange(m_waiting, {});
    for (CFATSearchedPartitionInfo* pVolume : m_pCandidates->TakeSettled(static_cast<std::uint64_t>(s64Analysed)))
        settled.push_back(pVolume);
    for (CFATSearchedPartitionInfo* pVolume : settled) {
        // A volume inside another's file is read through that file: the end builds it then.
        CFoundVolumes::Early const eEarly =
            m_pFoundVolumes == nullptr ? CFoundVolumes::Early::kBuild
                                       : m_pFoundVolumes->MayBuildDuringPass(
                                             static_cast<std::int64_t>(pVolume->GetStartSector()), s64Analysed);
        if (eEarly == CFoundVolumes::Early::kNotYet) m_waiting.push_back(pVolume);
        if (eEarly != CFoundVolumes::Early::kBuild) continue;
        if (m_built.empty()) m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_FAT, 0);
        m_built.insert(pVolume);
        {
            std::lock_guard const lock(m_foundLock);
            m_builtCopies.emplace_back(CloneWithScore(*pVolume));
        }
        BuildVolume(*pVolume, SoundVolumes(m_pCandidates->SoundCandidates()));
        // A whole volume arrived at once: it is shown now, not when the pacing next allows.
        m_pBuilder->ShowWaitingNodes(SEARCHER_TYPE_FAT);
    }
}

void CFATCompleteFSearcher::EndSearch(int iBuild) {
    if (!m_pCandidates) return;
    if (iBuild == 0) {
        // Nothing more is built, but the files of the volumes rebuilt so far are shown already
        // and stay recoverable: their records become the found ones, and their tree is completed.
        if (m_built.empty()) return;
        std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> built;
        for (auto& pVolume : m_pCandidates->TakeFound())
            if (m_built.count(pVolume.get()) != 0) built.push_back(std::move(pVolume));
        m_built.clear();
        {
            std::lock_guard const lock(m_foundLock);
            m_found = std::move(built);
            m_builtCopies.clear();
        }
        if (m_pBuilder) {
            for (auto const& pVolume : m_found) m_pBuilder->SetPartitonDevice(pVolume.get(), m_pDevice);
            m_pBuilder->FlashBuild(SEARCHER_TYPE_FAT);
        }
        return;
    }
    Settle();
    if (m_found.empty()) return;
    if (m_pBuilder) m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_FAT, 0);
    std::vector<CFATSearchedPartitionInfo const*> found;
    for (auto const& pVolume : m_found) found.push_back(pVolume.get());
    std::vector<crossvolume::FoundSpan> const sound = SoundVolumes(found);
    for (auto const& pVolume : m_found) {
        if (m_built.count(pVolume.get()) != 0) continue;
        // An image stored in pieces in a file of another volume: the scan of that file reads it.
        if (m_pFoundVolumes != nullptr &&
            m_pFoundVolumes->IsReadElsewhere(SEARCHER_TYPE_FAT, static_cast<std::int64_t>(pVolume->GetStartSector())))
            continue;
        BuildVolume(*pVolume, sound);
    }
    m_built.clear();
    if (m_pBuilder) {
        // Each volume's record, by the partition index its nodes carry: index files in its
        // recycle bin are read from its own clusters when FlashBuild restores names.
        for (auto const& pVolume : m_found) m_pBuilder->SetPartitonDevice(pVolume.get(), m_pDevice);
        m_pBuilder->FlashBuild(SEARCHER_TYPE_FAT);
    }
}

void CFATCompleteFSearcher::Settle() {
    if (m_bSettled) return;
    m_bSettled = true;
    std::vector<std::unique_ptr<CFATSearchedPartitionInfo>> found = m_pCandidates->TakeFound();
    std::lock_guard const lock(m_foundLock);
    m_found = std::move(found);
    m_builtCopies.clear();
}

FoundVolumeList CFATCompleteFSearcher::ListVolumes() {
    FoundVolumeList list{.eSearcher = SEARCHER_TYPE_FAT};
    if (!m_pCandidates) return list;
    Settle();
    for (std::size_t k = 0; k < m_found.size(); ++k) {
        CFATSearchedPartitionInfo const& volume = *m_found[k];
        bool const bBoot =
            volume.HasFlag(CFATSearchedPartitionInfo::kBootFlags & ~CFATSearchedPartitionInfo::kFlagFat32Backup);
        list.volumes.emplace_back(
            k, FoundVolume{.s64Start = static_cast<std::int64_t>(volume.GetStartSector()),
                           .s64Sectors = static_cast<std::int64_t>(volume.GetTotalSectors()),
                           .s64RecordStart = volume.m_s64StartSector,
                           .bBootSector = bBoot,
                           .u64Serial = bBoot && m_pDevice ? VolumeSerialAt(*m_pDevice, volume.GetStartSector()) : 0,
                           .u32ClusterBytes = volume.m_u32SectorsPerCluster * volume.m_u32SectorSize});
    }
    list.u32IndexBound = static_cast<std::uint32_t>(m_found.size());
    return list;
}

void CFATCompleteFSearcher::ReportUse(std::size_t number, CVolumeUse& use) {
    if (number >= m_found.size() || m_pDevice == nullptr) return;
    CFATSearchedPartitionInfo const& volume = *m_found[number];
    FATVolumeGeometry const geometry = GeometryOf(volume);
    std::unique_ptr<CDoubleFATTable> const pTable = TableOf(m_pDevice, volume, geometry);
    fatcomplete::ReportVolumeUse(
        *m_pDevice, geometry, volume.GetStartSector(), *pTable, use,
        volume.HasFlag(CFATSearchedPartitionInfo::kBootFlags | CFATSearchedPartitionInfo::kFlagFirstFat |
                       CFATSearchedPartitionInfo::kFlagSecondFat));
}

bool CFATCompleteFSearcher::InsideOtherVolume(CFATSearchedPartitionInfo const& volume, std::int64_t s64Sector) const {
    auto const u64Sector = static_cast<std::uint64_t>(s64Sector);
    return std::any_of(m_found.begin(), m_found.end(), [&](auto const& pOther) {
        return pOther.get() != &volume && u64Sector >= pOther->GetStartSector() &&
               u64Sector - pOther->GetStartSector() < pOther->GetTotalSectors();
    });
}

std::vector<crossvolume::FoundSpan> CFATCompleteFSearcher::SoundVolumes(
    std::span<CFATSearchedPartitionInfo const* const> volumes) {
    std::vector<crossvolume::FoundSpan> sound;
    for (CFATSearchedPartitionInfo const* pVolume : volumes) {
        if (!CFATCandidates::IsSound(*pVolume) || pVolume->GetTotalSectors() == 0) continue;
        auto const s64First = static_cast<std::int64_t>(pVolume->GetStartSector());
        sound.push_back({s64First, s64First + static_cast<std::int64_t>(pVolume->GetTotalSectors()), true});
    }
    return sound;
}

void CFATCompleteFSearcher::BuildVolume(CFATSearchedPartitionInfo const& volume,
                                        std::span<crossvolume::FoundSpan const> sound) {
    FATVolumeGeometry const geometry = GeometryOf(volume);
    bool const bBootSector = volume.HasFlag(CFATSearchedPartitionInfo::kBootFlags);
    std::unique_ptr<CDoubleFATTable> pTable = TableOf(m_pDevice, volume, geometry);
    std::vector<CSpanSet::Span> others = NestedIn(volume, sound).Spans();
    // The folders inside a file read as a device of its own are that file's volume's, not those
    // of a volume made up from them.
    if (m_pFoundVolumes != nullptr && !bBootSector) {
        auto const s64Start = static_cast<std::int64_t>(volume.GetStartSector());
        auto const s64End = static_cast<std::int64_t>(volume.GetStartSector() + volume.GetTotalSectors());
        CSpanSet const scanned = m_pFoundVolumes->ScannedFileSectors().Within(s64Start, s64End);
        others.insert(others.end(), scanned.Spans().begin(), scanned.Spans().end());
    }
    CFATCompleteBuild build(m_pBuilder, volume, m_pDevice, geometry, pTable.get());
    build.Build(
        m_folderSectors, bBootSector,
        [this, &volume](std::int64_t s64Sector) { return InsideOtherVolume(volume, s64Sector); }, others);
}
