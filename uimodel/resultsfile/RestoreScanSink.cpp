#include "uimodel/resultsfile/RestoreScanSink.h"

#include <cstring>
#include <memory>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileReader.h"
#include "engine/IProgress.h"
#include "engine/IRSData.h"
#include "engine/IRecoveryController.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/SearchedPartitionRecord.h"
#include "uimodel/resultsfile/FileRecord.h"
#include "uimodel/resultsfile/FrameCursor.h"
#include "uimodel/resultsfile/HfsPlusVolumeCache.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/RestoreFileNode.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"

namespace uimodel::resultsfile {

namespace {

/// The tree builder names a volume's roots after the volume's system name, "Disk" without one.
constexpr char kBuilderDefaultName[] = "Disk";

bool SearcherFitsFileSystem(std::uint32_t u32Searcher, std::uint32_t u32FileSystem) {
    _tagSearcherType const eType = SearcherTypeOf(u32FileSystem);
    return eType != SEARCHER_TYPE_NONE && u32Searcher == static_cast<std::uint32_t>(eType);
}

constexpr std::uint32_t kRecordsPerReport = 64;

bool IsSearcherType(std::uint32_t u32Type) { return u32Type >= SEARCHER_TYPE_HFSPLUS && u32Type <= SEARCHER_TYPE_NTFS; }

/// A resident value lives inside one file record: a larger size was never saved by a scan, and
/// a copy would have nothing to fill it with.
bool HoldsItsSize(StoredFileRecord const& record) {
    return record.u32Resident == 0 || record.u64Size <= kMaxResidentValue;
}

}  // namespace

struct RestoreScanSink::RootHeader {
    std::uint64_t u64Index = 0;
    std::uint32_t u32Searcher = 0;
    std::string volumeName;
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> partitions;
};

RestoreScanSink::RestoreScanSink(IRSData* pArchive, int iControllerType, CJobProgress* pProgress)
    : m_pArchive(pArchive), m_iControllerType(iControllerType), m_pProgress(pProgress) {}

void RestoreScanSink::ClearMapCell() {
    for (auto& entry : m_partitions)
        for (CSearchedPartitionInfo* pInfo : entry.second) delete pInfo;
    m_partitions.clear();
}

std::vector<std::string> RestoreScanSink::LeftOutRoots() const {
    std::vector<std::string> names;
    for (auto const& [u64Index, name] : m_leftOut) names.push_back(name);
    return names;
}

std::vector<CSearchedPartitionInfo*>& RestoreScanSink::GetSearchedPartition(int iSearcherType) {
    return m_partitions[iSearcherType];
}

RestoreScanSink::Target RestoreScanSink::TargetOf(IStorageDevice* pDevice) {
    Target target;
    target.bDisk = pDevice->GetType() == STORAGE_DEVICE_DISK;
    target.s64TotalSectors = pDevice->GetTotalSectors();
    auto* pData = dynamic_cast<IVolumeDeviceData*>(pDevice->GetPrivateData());
    CCollectedVolumeDeviceInfoStruct const* pInfo = pData ? pData->GetVolumeInfo() : nullptr;
    if (pInfo) target.u32FileSystem = pInfo->u32FileSystemType;
    if (pInfo && pInfo->u32State == 0 && pDevice->GetType() == STORAGE_DEVICE_VOLUME)
        target.volumeName.assign(pInfo->szVolumeName, strnlen(pInfo->szVolumeName, sizeof(pInfo->szVolumeName)));
    if (target.volumeName.empty()) target.volumeName = kBuilderDefaultName;
    return target;
}

void RestoreScanSink::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                                              IStorageDevice* pDevice) {
    if (!m_pArchive || !pBuilder || !pProgress || !pDevice) return;
    Target const target = TargetOf(pDevice);
    // A damaged value frame loads none of its values (those files copy as before the frame
    // existed) and the load says it met damage.
    std::optional<CopyOutValues> values = ReadCopyOutValues(*m_pArchive);
    if (!values) Damaged();
    m_copyOutValues = values ? std::move(*values) : CopyOutValues{};
    // Likewise a damaged placement frame: those volumes read from the device's own sectors.
    std::optional<PartitionPlacements> placements = ReadPartitionPlacements(*m_pArchive);
    if (!placements) Damaged();
    m_placements = placements ? std::move(*placements) : PartitionPlacements{};
    m_u64Ordinal = 0;
    try {
        m_pArchive->OpenFrame(kFrameFileSystemNode);
        CFrameCursor cursor(*m_pArchive);
        ClearMapCell();
        std::uint64_t u64Roots = 0;
        bool bGoOn = cursor.TakeU64(u64Roots);
        if (!bGoOn) Damaged();
        if (m_pProgress) m_pProgress->IncProgress();
        // Every root section takes bytes of the frame, so a count of 2^64 ends with the frame.
        m_typesTaken.clear();
        std::uint64_t u64Index = 0;
        for (; bGoOn && u64Index < u64Roots && pProgress->Continued(); ++u64Index)
            bGoOn = ReplayRoot(cursor, u64Index, target, *pBuilder, *pProgress, pDevice);
        // A replay of every root ends on the frame's last byte; bytes left over mean a count or a
        // length was changed and records were read out of step.
        if (bGoOn && u64Index == u64Roots && cursor.Remaining() != 0) Damaged();
    } catch (IRSException const&) {
        Damaged();
    }
    try {
        m_pArchive->CloseFrame();
    } catch (IRSException const&) {
        Damaged();
    }
}

bool RestoreScanSink::RootFitsDevice(RootHeader const& root, Target const& target) const {
    if (!IsSearcherType(root.u32Searcher) || m_takenRoots.count(root.u64Index)) return false;
    // A complete scan replays once, onto the device it read, and every root it saved is a volume
    // it found there (a disk's partitions, an image kept as a file inside the scanned volume, an
    // earlier volume): the builder keeps their trees apart by partition index.
    if (m_iControllerType != RECOVERY_CONTROLLER_DELETED) return true;
    // A quick scan shows one volume per root: a second root of a type belongs to another device
    // (two volumes of one disk saved by a whole-disk quick scan).
    if (m_typesTaken.count(root.u32Searcher)) return false;
    if (target.bDisk) return true;
    if (root.volumeName != target.volumeName) return false;
    // A quick scan's root belongs to a volume of its own file system, and its partition record
    // describes that volume: two unnamed volumes on one disk tell their roots apart by this.
    if (!SearcherFitsFileSystem(root.u32Searcher, target.u32FileSystem)) return false;
    if (root.partitions.empty()) return true;
    CSearchedPartitionInfo const& first = *root.partitions.front();
    return first.m_u32FileSystemType == target.u32FileSystem && target.s64TotalSectors > 0 &&
           first.GetTotalSectors() <= static_cast<unsigned long long>(target.s64TotalSectors);
}

bool RestoreScanSink::ReplayRoot(CFrameCursor& cursor, std::uint64_t u64Index, Target const& target,
                                 IDirecotryTreeBuilder& builder, IProgress& progress, IStorageDevice* pDevice) {
    std::uint32_t u32Marker = 0;
    if (!cursor.TakeU32(u32Marker) || u32Marker != kMarkerRoot) return Damaged();
    ++m_u64Ordinal;
    std::optional<StoredFileRecord> rootRecord = ReadFileRecord(cursor);
    RootHeader root;
    root.u64Index = u64Index;
    std::uint32_t u32NameLength = 0;
    if (!rootRecord || !cursor.TakeU32(root.u32Searcher) || !cursor.TakeU32(u32NameLength) ||
        u32NameLength > kMaxVolumeName || !cursor.TakeText(u32NameLength, root.volumeName))
        return Damaged();

    std::uint32_t u32Partitions = 0;
    if (!cursor.TakeU32(u32Partitions) || u32Partitions > kMaxPartitions) return Damaged();
    for (std::uint32_t i = 0; i < u32Partitions; ++i) {
        if (!cursor.Need(kStoredSearchedPartitionSize)) return Damaged();
        std::uint32_t u32Type = 0;
        auto pInfo = std::make_unique<CSearchedPartitionInfo>();
        LoadSearchedPartitionInfo(cursor.View().Sub(0, kStoredSearchedPartitionSize).Span(), u32Type, *pInfo);
        cursor.Skip(kStoredSearchedPartitionSize);
        if (u32Type > kMaxPartitionType) return Damaged();
        pInfo->m_u64FileSystemValue = 0;  // a pointer of the run that saved it
        if (auto const placement = m_placements.find({u64Index, i}); placement != m_placements.end())
            if (!LoadSearchedPartitionPlacement(placement->second, *pInfo)) Damaged();
        root.partitions.push_back(std::move(pInfo));
    }

    bool const bTaken = RootFitsDevice(root, target);
    // A root no replay of the load takes is named when the load ends, never left out unsaid.
    if (bTaken)
        m_leftOut.erase(u64Index);
    else if (!m_takenRoots.count(u64Index))
        m_leftOut.emplace(u64Index, rootRecord->name);
    auto const eType = static_cast<_tagSearcherType>(root.u32Searcher);
    std::map<std::uint16_t, int> volumes;  // HFS+: partition index -> volume cache slot
    if (bTaken) {
        m_takenRoots.insert(u64Index);
        m_typesTaken.insert(root.u32Searcher);
        builder.AddSearcherInfo(eType, rootRecord->s64NodeID);
        if (m_pProgress) m_pProgress->IncProgress();
        // Each HFS+ volume of the root (a whole disk may hold several) opens again, and its
        // files keep which one they read through. A complete scan found each where its start
        // says, on a volume as on a disk; a quick scan's volume is the device itself.
        bool const bAtItsStart = target.bDisk || m_iControllerType != RECOVERY_CONTROLLER_DELETED;
        if (eType == SEARCHER_TYPE_HFSPLUS)
            for (auto const& pInfo : root.partitions)
                volumes[pInfo->m_u16PartitionIndex] =
                    HfsPlusVolumeCache::instance().OpenFor(*pInfo, pDevice, bAtItsStart);
        std::vector<CSearchedPartitionInfo*>& kept = m_partitions[root.u32Searcher];
        for (auto& pInfo : root.partitions) kept.push_back(pInfo.release());
    }
    bool bGoOn = false;
    try {
        bGoOn = ReplayNodes(cursor, eType, bTaken, volumes, builder, progress);
    } catch (IRSException const&) {
        Damaged();  // the file ends inside the frame: what was handed over is still built
    }
    if (bTaken) builder.FlashBuild(eType);
    return bGoOn;
}

bool RestoreScanSink::ReplayNodes(CFrameCursor& cursor, _tagSearcherType eType, bool bTaken,
                                  std::map<std::uint16_t, int> const& volumes, IDirecotryTreeBuilder& builder,
                                  IProgress& progress) {
    StoredFileRecord record;
    std::uint32_t u32Unreported = 0;
    for (;;) {
        std::uint32_t u32Marker = 0;
        if (!cursor.TakeU32(u32Marker)) return Damaged();
        if (u32Marker == kMarkerEnd) return true;
        if (u32Marker != kMarkerNode) return Damaged();
        std::uint64_t const u64Ordinal = m_u64Ordinal++;
        if (!ReadFileRecord(cursor, record)) return Damaged();
        if (!HoldsItsSize(record)) {
            Damaged();  // the node is left out; the records after it are in step
        } else if (bTaken) {
            // A file of a one-volume root reads through it whatever partition index it names.
            auto const volume = volumes.size() == 1 ? volumes.begin() : volumes.find(record.u16Partition);
            int const iVolume = volume != volumes.end() ? volume->second : -1;
            auto* pNode = new RestoreFileNode(record);
            pNode->SetHfsPlusVolume(iVolume);
            if (auto const value = m_copyOutValues.find(u64Ordinal); value != m_copyOutValues.end()) {
                pNode->SetInitializedSize(value->second.initializedSize);
                pNode->SetCopyRefusal(value->second.u32Refusal);
            }
            if (!builder.AddNode(pNode, eType)) pNode->Release();
        }
        // A look at the job's state takes its lock, as a progress report does: both come once
        // every kRecordsPerReport records, which still answers a stop at once to the eye.
        if (++u32Unreported < kRecordsPerReport) continue;
        u32Unreported = 0;
        if (m_pProgress) m_pProgress->IncProgress();
        if (!progress.Continued()) return false;
    }
}

}  // namespace uimodel::resultsfile
