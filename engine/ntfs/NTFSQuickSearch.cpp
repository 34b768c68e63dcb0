#include "engine/ntfs/NTFSQuickSearch.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "engine/IDataRecovery.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/ntfs/NTFSFilePropertiesBuilder.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

namespace {

constexpr std::uint64_t kPercent = 100;
constexpr long long kLostParent = -1;
constexpr std::uint32_t kCodeNotNtfs = 0x10;
constexpr std::uint32_t kCodeNoMft = 0x11;
/// Found files are handed to the builder once this many wait.
constexpr std::size_t kHandOverBatch = 4096;

/// Sector 0 alone, as a sound NTFS boot sector with a FILE record size of 1-4 KiB.
bool IsNtfsBootSector(IStorageDevice& device) {
    int const iSectorSize = device.GetSectorSize();
    if (iSectorSize < 512) return false;
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize));
    CNTFSDBR dbr;
    if (device.ReadSector(sector.data(), 0, 1) == 0 ||
        !dbr.InitFromBuffer(engine::ByteView(sector.data(), sector.size())))
        return false;
    std::uint32_t const u32RecordSize = dbr.GetFileRecordSizeByByte();
    return u32RecordSize >= ntfs::kMinFileRecordSize && u32RecordSize <= ntfs::kMaxFileRecordSize;
}

/// A system file: one of the volume's own names, marked hidden and system. The name may lie in
/// an extension record (an $MFT grown an attribute list), so the file's properties are asked.
bool IsMetaFile(CNTFSFileProperties& properties) {
    constexpr unsigned kHiddenSystem = CNTFSFileProperties::kAttributeHidden | CNTFSFileProperties::kAttributeSystem;
    if ((properties.GetAttribute() & kHiddenSystem) != kHiddenSystem || properties.GetFileName() == nullptr)
        return false;
    std::string_view const name = properties.GetFileName();
    for (std::uint32_t u32Row = 0; u32Row < CMetaFileRecordTypeAnalyzer::kMetaFileCount; ++u32Row) {
        std::u16string_view const metafile = CMetaFileRecordTypeAnalyzer::GetMetaFileName(u32Row);
        if (std::equal(name.begin(), name.end(), metafile.begin(), metafile.end(),
                       [](char c, char16_t u) { return static_cast<char16_t>(static_cast<unsigned char>(c)) == u; }))
            return true;
    }
    return false;
}

void Report(IProgress* pProgress, std::uint32_t u32State, std::uint64_t u64Done, std::uint64_t u64Total) {
    _PROGRESS_INFO record;
    record.u32State = u32State;
    record.u64Total = u64Total;
    record.u64Done = u64Done;
    pProgress->UpdateProgress(&record);
}

}  // namespace

std::optional<CSearchedPartitionInfo> CNTFSQuickSearch::PartitionRecord(NtfsVolumeGeometry const& geometry,
                                                                        std::uint64_t u64VolumeBytes) {
    std::uint64_t const u64Cluster = geometry.ClusterBytes();
    if (geometry.u32DeviceSectorSize == 0 || u64Cluster > kMaxClusterBytes ||
        u64Cluster < geometry.u32DeviceSectorSize || u64Cluster % geometry.u32DeviceSectorSize != 0)
        return std::nullopt;
    CSearchedPartitionInfo info(geometry.u32DeviceSectorSize);
    info.m_u32FileSystemType = FILE_SYSTEM_NTFS;
    info.m_u32SectorsPerCluster = static_cast<std::uint32_t>(u64Cluster / geometry.u32DeviceSectorSize);
    info.m_s64StartSector = geometry.s64StartSector;
    info.m_u64FileSystemValues[0] = static_cast<std::uint64_t>(geometry.s64StartSector);
    info.SetTotalSectors(u64VolumeBytes / geometry.u32DeviceSectorSize);
    return info;
}

int CNTFSQuickSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (!m_partition || ppPartitions == nullptr || iCount < 1) return 0;
    ppPartitions[0] = new CSearchedPartitionInfo(*m_partition);
    return 1;
}

RESULT CNTFSQuickSearch::QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) {
    m_partition.reset();
    m_folders.clear();
    m_found.clear();
    m_salvage.Reset();
    if (pDevice == nullptr || m_pBuilder == nullptr || pProgress == nullptr)
        return ENGINE_RESULT(kModuleNtfs, kCodeBadArgument);
    if (!IsNtfsBootSector(*pDevice)) return ENGINE_RESULT(kModuleNtfs, kCodeNotNtfs);
    std::optional<CNTFSMftReader> const mft = CNTFSMftReader::Open(*pDevice, 0);
    if (!mft) return ENGINE_RESULT(kModuleNtfs, kCodeNoMft);
    long long const s64DeviceSectors = pDevice->GetTotalSectors();
    std::uint64_t const u64DeviceBytes =
        s64DeviceSectors > 0 ? static_cast<std::uint64_t>(s64DeviceSectors) * mft->Geometry().u32DeviceSectorSize : 0;
    m_partition = PartitionRecord(mft->Geometry(), u64DeviceBytes);
    if (!m_partition) return ENGINE_RESULT(kModuleNtfs, kCodeNotNtfs);
    m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_NTFS, kRootRecord);
    HandOverVolume(*pDevice, *mft, CSearchedPartitionInfo::kNoPartitionIndex, pProgress);

    CSearchedPartitionInfo record = *m_partition;
    m_pBuilder->SetPartitonDevice(&record, pDevice);
    m_pBuilder->FlashBuild(SEARCHER_TYPE_NTFS);
    Report(pProgress, PROGRESS_STATE_FINISHED, 1, 1);
    return kResultSuccess;
}

std::optional<CClusterBitmap> CNTFSQuickSearch::ReadVolumeBitmap(CNTFSMftReader const& mft,
                                                                 std::uint64_t u64VolumeClusters) {
    constexpr std::uint64_t kBitmapRecord = 6;
    auto const raw = mft.ReadRecord(kBitmapRecord);
    if (!raw) return std::nullopt;
    CNTFSFileRecord record(engine::ByteView(raw->data(), raw->size()));
    if (!record.IsValid() || !record.IsinUse()) return std::nullopt;
    CNTFSMultiFileRecord const file(mft, kBitmapRecord, std::move(record));
    std::optional<NtfsFileSummary> const summary = SummarizeNtfsFile(file);
    if (!summary || !summary->bHasData || summary->bResident || summary->s64Size <= 0) return std::nullopt;
    // A bitmap longer than the volume needs is cut; a shorter one says nothing past its end.
    std::uint64_t const u64Bytes =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(summary->s64Size), u64VolumeClusters / 8 + 8);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(u64Bytes));
    if (!mft.ReadRunsData(summary->runs, 0, bits.size(), bits.data())) return std::nullopt;
    return CClusterBitmap(std::move(bits), u64VolumeClusters);
}

std::optional<CClusterBitmap> CNTFSQuickSearch::ClustersInUse(CNTFSMftReader const& mft,
                                                              std::uint64_t u64VolumeClusters, bool bRebuilt) {
    std::optional<CClusterBitmap> bitmap = ReadVolumeBitmap(mft, u64VolumeClusters);
    if (!bitmap && bRebuilt) bitmap = LiveFilesBitmap(mft, u64VolumeClusters);
    return bitmap;
}

std::optional<CClusterBitmap> CNTFSQuickSearch::LiveFilesBitmap(CNTFSMftReader const& mft,
                                                                std::uint64_t u64VolumeClusters) {
    if (u64VolumeClusters > kMaxStandInClusters) return std::nullopt;
    CClusterBitmap held(u64VolumeClusters);
    auto const mark = [&held](CNTFSDataRunList const& runs) {
        for (CDataRun const& run : runs.Runs())
            if (run.s64LCN >= 0 && run.s64Count > 0)
                held.MarkAllocated(static_cast<std::uint64_t>(run.s64LCN), static_cast<std::uint64_t>(run.s64Count));
    };
    mark(mft.Runs());
    std::uint64_t const u64Records = mft.RecordCount();
    for (std::uint64_t u64Number = mft.NextMappedRecord(0); u64Number < u64Records;
         u64Number = mft.NextMappedRecord(u64Number + 1)) {
        auto const raw = mft.ReadRecord(u64Number);
        if (!raw) continue;
        CNTFSFileRecord const record(engine::ByteView(raw->data(), raw->size()));
        if (!record.IsValid() || !record.IsinUse()) continue;
        for (CNTFSFileRecordAttribute const& attribute : record.Attributes()) {
            CNTFSDataRunList runs;
            if (!attribute.IsResident() && attribute.AddDataRuns(runs)) mark(runs);
        }
    }
    return held;
}

std::size_t CNTFSQuickSearch::HandOverVolume(IStorageDevice& device, CNTFSMftReader const& mft,
                                             std::uint16_t u16Partition, IProgress* pProgress,
                                             bool bLiveFilesForBitmap) {
    m_folders.clear();
    m_found.clear();
    m_salvage.Reset();
    if (m_pBuilder == nullptr) return 0;
    // The log's outcome never stops the scan: without it, emptied deleted files stay empty.
    if (m_salvage.Init(device, mft.Geometry(), mft.Runs())) m_salvage.Analyzer();
    long long const s64DeviceSectors = device.GetTotalSectors();
    std::uint64_t const u64ClusterBytes = mft.Geometry().ClusterBytes();
    std::uint64_t const u64DeviceBytes =
        s64DeviceSectors > 0 ? static_cast<std::uint64_t>(s64DeviceSectors) * mft.Geometry().u32DeviceSectorSize : 0;
    std::uint64_t const u64VolumeStart =
        static_cast<std::uint64_t>(std::max<std::int64_t>(mft.Geometry().s64StartSector, 0)) *
        mft.Geometry().u32DeviceSectorSize;
    m_bitmap = u64ClusterBytes == 0 || u64DeviceBytes <= u64VolumeStart
                   ? std::nullopt
                   : ReadVolumeBitmap(mft, (u64DeviceBytes - u64VolumeStart) / u64ClusterBytes);
    if (!m_bitmap && bLiveFilesForBitmap && u64ClusterBytes != 0 && u64DeviceBytes > u64VolumeStart) {
        // Clusters a live file holds now were taken from any deleted file that named them.
        m_bitmap = LiveFilesBitmap(mft, (u64DeviceBytes - u64VolumeStart) / u64ClusterBytes);
    }
    m_u16Partition = u16Partition;
    m_taken = 0;
    Walk(mft, pProgress);
    HandOver(std::numeric_limits<std::uint64_t>::max());
    return m_taken;
}

void CNTFSQuickSearch::Walk(CNTFSMftReader const& mft, IProgress* pProgress) {
    std::uint64_t const u64Records = mft.RecordCount();
    std::uint64_t u64LastPercent = 0;
    // One pass over the records: each is read once and the walk ends with the MFT's clamped size.
    for (std::uint64_t u64Number = 0; u64Number < u64Records && (pProgress == nullptr || pProgress->Continued());
         ++u64Number) {
        std::uint64_t const u64Percent = u64Number * kPercent / u64Records;
        if (pProgress != nullptr && u64Percent > u64LastPercent) {
            Report(pProgress, PROGRESS_STATE_RUNNING, u64Number, u64Records);
            u64LastPercent = u64Percent;
        }
        auto const recordByte = mft.GetFileRecordByte(u64Number);
        if (!recordByte) {
            // A gap in a rebuilt MFT: on to the next record it maps.
            u64Number = mft.NextMappedRecord(u64Number + 1) - 1;
            continue;
        }
        auto const raw = mft.ReadRecord(u64Number);
        if (!raw) continue;
        CNTFSFileRecord record(engine::ByteView(raw->data(), raw->size()));
        if (!record.IsValid() || record.IsExtendFileRecord()) continue;
        // Records that store their own number must store this one: another's copy is not this file.
        if (record.HasXPNumberOfthisMFTRecord() &&
            record.GetXPNumberOfthisMFTRecord() != static_cast<std::uint32_t>(u64Number))
            continue;
        if (record.IsFolder())
            m_folders[u64Number] =
                FolderState{CNTFSFileRecordHeader::GetSequenceNumber(record.Bytes()), record.IsinUse()};
        if (u64Number == static_cast<std::uint64_t>(kRootRecord)) continue;
        std::uint64_t u64ParentReference = 0;
        ReleasePtr<CNTFSFileNode> pNode = BuildNode(mft, u64Number, std::move(record), *recordByte, u64ParentReference);
        if (pNode) m_found.push_back(Found{std::move(pNode), u64ParentReference});
        // Files show while the walk goes on: those whose parent's record was walked already.
        if (m_found.size() >= kHandOverBatch) HandOver(u64Number + 1);
    }
}

ReleasePtr<CNTFSFileNode> CNTFSQuickSearch::BuildNode(CNTFSMftReader const& mft, std::uint64_t u64Number,
                                                      CNTFSFileRecord record, std::uint64_t u64RecordByte,
                                                      std::uint64_t& u64ParentReference) const {
    NtfsVolumeGeometry const& geometry = mft.Geometry();
    NtfsRecordPlace const place{static_cast<long long>(u64RecordByte / geometry.u32DeviceSectorSize), u64RecordByte,
                                geometry.u32RecordSize};
    CNTFSMultiFileRecord const file(mft, u64Number, std::move(record));
    std::unique_ptr<CNTFSFileProperties> pProperties =
        CNTFSFilePropertiesBuilder::BuildFileProperties(place, file, geometry.ClusterBytes(), &u64ParentReference);
    if (!pProperties || IsMetaFile(*pProperties)) return nullptr;
    // A deleted file emptied of its runs may find them again in the $LogFile.
    if (!pProperties->IsDirectory() && pProperties->IsDeleted() && pProperties->GetFileSize() == 0)
        m_salvage.ReplaceFileRecordInfo(*file.Records().front(), u64Number, *pProperties, u64ParentReference);
    ReleasePtr<CNTFSFileNode> pNode = CNTFSFileNode::FromProperties(std::move(pProperties));
    pNode->SetID(static_cast<long long>(u64Number));
    // A deleted file whose clusters other files hold now has lost its bytes: listed, not copied.
    if (pNode->IsDeleted()) RefuseTakenClusters(*pNode, geometry.ClusterBytes());
    return pNode;
}

void CNTFSQuickSearch::RefuseTakenClusters(CNTFSFileNode& node, std::uint64_t u64ClusterBytes) const {
    IDataRunList* pRuns = node.GetDataRunList();
    if (!m_bitmap || node.IsDirectory() || pRuns == nullptr) return;
    long long const s64Needed = node.GetInitializedSize().value_or(node.GetFileSize());
    if (s64Needed > 0)
        node.SetCopyRefusal(m_bitmap->RunsRefusal(*pRuns, u64ClusterBytes, static_cast<std::uint64_t>(s64Needed)));
}

bool CNTFSQuickSearch::ClusterHeldNow(std::uint64_t u64Cluster) const {
    return m_bitmap && m_bitmap->RangeRefusal(u64Cluster, 1) == kCodeOverwritten;
}

bool CNTFSQuickSearch::HandOverLooseFile(CNTFSMftReader const& mft, CNTFSFileRecord record, std::uint64_t u64RecordByte,
                                         std::uint16_t u16Partition, long long s64ID, std::uint32_t u32Note) {
    if (m_pBuilder == nullptr || !record.IsValid() || record.IsExtendFileRecord() || record.IsFolder()) return false;
    // Its extension records are looked up by its own number; the base-reference test keeps
    // another file's records out.
    std::uint64_t const u64Number = record.HasXPNumberOfthisMFTRecord() ? record.GetXPNumberOfthisMFTRecord() : 0;
    std::uint64_t u64ParentReference = 0;
    ReleasePtr<CNTFSFileNode> pNode = BuildNode(mft, u64Number, std::move(record), u64RecordByte, u64ParentReference);
    if (!pNode) return false;
    // A record outside the MFT is no longer the volume's to trust, in use or not: the clusters it
    // names may be others' now.
    if (!pNode->IsDeleted()) RefuseTakenClusters(*pNode, mft.Geometry().ClusterBytes());
    if (pNode->GetCopyRefusal() == 0) pNode->SetCopyRefusal(u32Note);
    pNode->SetID(s64ID);
    pNode->SetParentID(kLostParent);
    pNode->SetBelongedPartition(u16Partition);
    if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_NTFS) == 0) return false;
    pNode.release();  // the builder owns it now
    return true;
}

bool CNTFSQuickSearch::ParentHolds(std::uint64_t u64Reference) const {
    std::uint64_t const u64Number = u64Reference & ntfs::kRecordNumberMask;
    auto const folder = m_folders.find(u64Number);
    // Record 5 is the root of every NTFS volume and is never deleted: when its record is lost
    // (a rebuilt MFT), what it held still lies at the root.
    if (folder == m_folders.end()) return u64Number == static_cast<std::uint64_t>(kRootRecord);
    std::uint16_t const u16Named = static_cast<std::uint16_t>(u64Reference >> 48);
    std::uint16_t const u16Now = folder->second.u16Sequence;
    // Freeing a record raises its number by one: a deleted folder may still be the one named.
    if (folder->second.bInUse) return u16Now == u16Named;
    return u16Now == u16Named || u16Now == static_cast<std::uint16_t>(u16Named + 1);
}

void CNTFSQuickSearch::HandOver(std::uint64_t u64WalkedRecords) {
    std::size_t waiting = 0;
    for (Found& found : m_found) {
        // A parent not walked yet may still turn out to be the folder named: the file waits.
        if ((found.u64ParentReference & ntfs::kRecordNumberMask) >= u64WalkedRecords) {
            if (&m_found[waiting] != &found) m_found[waiting] = std::move(found);
            ++waiting;
            continue;
        }
        found.pNode->SetBelongedPartition(m_u16Partition);
        long long const s64Parent = ParentHolds(found.u64ParentReference)
                                        ? static_cast<long long>(found.u64ParentReference & ntfs::kRecordNumberMask)
                                        : kLostParent;
        found.pNode->SetParentID(s64Parent);
        if (m_pBuilder->AddNode(found.pNode.get(), SEARCHER_TYPE_NTFS) == 0) continue;
        found.pNode.release();
        ++m_taken;
    }
    m_found.resize(waiting);
}
