#include "engine/exfat/complete/ExFatCompleteSearch.h"

#include <bit>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/device/OneSector.h"
#include "engine/exfat/ExFatFileNode.h"
#include "engine/exfat/complete/ExFatVolumeUse.h"
#include "engine/exfat/ondisk/ExFatBootSector.h"

namespace {

/// The serial of the boot sector at `u64Sector`; 0 when none can be read there.
std::uint32_t VolumeSerialAt(IStorageDevice& device, std::uint64_t u64Sector) {
    std::vector<std::uint8_t> const sector = devicesector::ReadOne(device, static_cast<std::int64_t>(u64Sector));
    return sector.empty() ? 0 : CExFatDBR(engine::ByteView(sector.data(), sector.size())).GetVolumeSerial();
}

constexpr std::uint32_t kFatMediaEntry = 0xFFFFFFF8;
constexpr std::uint32_t kFatEndEntry = 0xFFFFFFFF;
constexpr std::size_t kUpcaseProbeChars = 8;

/// An up-case table maps the first characters to themselves: 0, 1, 2, ... 7.
bool IsUpcaseTableStart(engine::ByteView sector) {
    for (std::size_t i = 0; i < kUpcaseProbeChars; ++i)
        if (sector.Le16(2 * i) != i) return false;
    return true;
}

}  // namespace

std::unique_ptr<CSearchedPartitionInfo> CExFatCompleteSearch::PartitionRecord(std::size_t k) const {
    CExFatPartitionEx const& partition = *m_partitions[k];
    auto pInfo = std::make_unique<CSearchedPartitionInfo>(partition.GetBytesPerSector());
    pInfo->m_u16PartitionIndex = static_cast<std::uint16_t>(k);
    pInfo->m_u32FileSystemType = FILE_SYSTEM_EXFAT;
    pInfo->m_u32SectorsPerCluster = partition.GetSectorsPerCluster();
    pInfo->m_s64StartSector = static_cast<long long>(partition.GetHeapStart());
    pInfo->m_u64FileSystemValues[0] = partition.GetPartitionStart();
    pInfo->m_u32FileSystemFlags = partition.GetFlags();
    pInfo->SetTotalSectors(partition.GetTotalSectors());
    return pInfo;
}

int CExFatCompleteSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    int const iBuilt =
        static_cast<int>(std::min<std::size_t>(m_partitions.size(), CSearchedPartitionInfo::kNoPartitionIndex));
    if (ppPartitions == nullptr || iCount < iBuilt) return iBuilt;
    for (int k = 0; k < iBuilt; ++k) ppPartitions[k] = PartitionRecord(static_cast<std::size_t>(k)).release();
    return iBuilt;
}

RESULT CExFatCompleteSearch::PreparetoSearch() {
    m_bSettled = false;
    return kResultSuccess;
}

bool CExFatCompleteSearch::PrepareAnalyzeBlock() {
    if (m_pDevice == nullptr || m_pBuilder == nullptr || m_s32BlockSectors <= 0) return false;
    if (!m_block.empty()) return true;
    int const iSectorSize = m_pDevice->GetSectorSize();
    if (iSectorSize < static_cast<int>(CExFatDBR::kSize) || !std::has_single_bit(static_cast<unsigned>(iSectorSize)))
        return false;
    m_u32SectorSize = static_cast<std::uint32_t>(iSectorSize);
    m_u64TotalSectors = static_cast<std::uint64_t>(std::max<long long>(m_pDevice->GetTotalSectors(), 0));
    m_preAnalyze.PrepareAnayze(static_cast<std::uint32_t>(std::countr_zero(m_u32SectorSize)), m_u64TotalSectors);
    m_partitionBuilder.PrepareBuild(m_u32SectorSize, m_u64TotalSectors);
    m_block.assign(static_cast<std::size_t>(m_s32BlockSectors) * m_u32SectorSize, 0);
    return true;
}

RESULT CExFatCompleteSearch::AnalyzeBlock(long long s64First, long long s64Count) {
    if (!PrepareAnalyzeBlock() || s64First < 0 || s64Count <= 0 || s64Count > m_s32BlockSectors)
        return ENGINE_RESULT(kModuleExFatSearch, kCodeBadArgument);
    if (m_pDevice->ReadSector(m_block.data(), s64First, s64Count) == 0)
        return ENGINE_RESULT(kModuleExFatSearch, kCodeIoFailure);
    ClassifySectors(engine::ByteView(m_block.data(), m_block.size()), s64First, s64Count);
    return kResultSuccess;
}

RESULT CExFatCompleteSearch::AnalyzeBlockBytes(engine::ByteView block, long long s64First, long long s64Count) {
    if (!PrepareAnalyzeBlock() || s64First < 0 || s64Count <= 0 || s64Count > m_s32BlockSectors)
        return ENGINE_RESULT(kModuleExFatSearch, kCodeBadArgument);
    if (static_cast<std::size_t>(s64Count) * m_u32SectorSize > block.Size()) return AnalyzeBlock(s64First, s64Count);
    ClassifySectors(block, s64First, s64Count);
    return kResultSuccess;
}

void CExFatCompleteSearch::ClassifySectors(engine::ByteView block, long long s64First, long long s64Count) {
    for (long long i = 0; i < s64Count; ++i)
        ClassifySector(static_cast<std::uint64_t>(s64First + i),
                       block.Sub(static_cast<std::size_t>(i) * m_u32SectorSize, m_u32SectorSize));
}

void CExFatCompleteSearch::ClassifySector(std::uint64_t u64Sector, engine::ByteView sector) {
    bool bRunEnded = true;
    if (sector.U8(0) == 0) {
        if (IsUpcaseTableStart(sector)) m_partitionBuilder.RecordUpCaseTable(u64Sector);
    } else if (sector.U8(510) == 0x55 && sector.U8(511) == 0xAA && CExFatDBR(sector).IsValid(m_u32SectorSize)) {
        CExFatDBR const bootSector(sector);
        m_partitionBuilder.Build(u64Sector, bootSector);
        m_preAnalyze.AdmitVolumeEnd(u64Sector + bootSector.GetTotalSectors());
        if (m_pFoundVolumes != nullptr)
            m_pFoundVolumes->NoteSeen(static_cast<std::int64_t>(u64Sector),
                                      static_cast<std::int64_t>(bootSector.GetTotalSectors()));
    } else if (sector.Le32(0) == kFatMediaEntry && sector.Le32(4) == kFatEndEntry) {
        m_partitionBuilder.RecordFAT(u64Sector);
    } else {
        bRunEnded = m_preAnalyze.Analyze(u64Sector, sector);
    }
    if (bRunEnded) AnalyzePartition(m_preAnalyze.GetFileSet());
}

void CExFatCompleteSearch::AnalyzePartition(std::unique_ptr<CFileSet> pSet) {
    if (!pSet) return;
    std::uint64_t const u64First = pSet->GetFirstSector();
    std::optional<std::uint64_t> const next = pSet->IsNotEnd() ? m_preAnalyze.GetNext(u64First) : std::nullopt;
    std::optional<std::uint64_t> const last = pSet->IsAbridged() ? m_preAnalyze.GetLast(u64First) : std::nullopt;
    m_partitionBuilder.PushFileSet(std::move(pSet), last, next);
}

void CExFatCompleteSearch::Settle() {
    if (m_bSettled) return;
    m_bSettled = true;
    AnalyzePartition(m_preAnalyze.GetFileSet());  // the run the last sector left open
    m_preAnalyze.FinisAnayze();
    m_partitionBuilder.FinishBuid(m_partitions);
}

FoundVolumeList CExFatCompleteSearch::ListVolumes() {
    FoundVolumeList list{.eSearcher = SEARCHER_TYPE_EXFAT};
    if (m_block.empty()) return list;
    Settle();
    for (std::size_t k = 0; k < m_partitions.size(); ++k) {
        CExFatPartitionEx const& partition = *m_partitions[k];
        bool const bBoot = (partition.GetFlags() & CExFatPartitionEx::kFlagMain) != 0;
        list.volumes.emplace_back(
            k,
            FoundVolume{.s64Start = static_cast<std::int64_t>(partition.GetPartitionStart()),
                        .s64Sectors = static_cast<std::int64_t>(partition.GetTotalSectors()),
                        .s64RecordStart = static_cast<std::int64_t>(partition.GetHeapStart()),
                        .bBootSector = bBoot,
                        .u64Serial = bBoot && m_pDevice ? VolumeSerialAt(*m_pDevice, partition.GetPartitionStart()) : 0,
                        .u32ClusterBytes = partition.GetSectorsPerCluster() * partition.GetBytesPerSector()});
    }
    list.u32IndexBound = static_cast<std::uint32_t>(m_partitions.size());
    return list;
}

void CExFatCompleteSearch::ReportUse(std::size_t number, CVolumeUse& use) {
    if (number >= m_partitions.size()) return;
    CExFatPartitionEx& partition = *m_partitions[number];
    LoadTables(partition);
    std::vector<ReleasePtr<CExFatFileNode>> nodes;
    if (!use.StartsInside().empty()) nodes = m_partitionBuilder.BuildFileTree(partition, use.StartsInside());
    exfatcomplete::ReportVolumeUse(partition, nodes, use);
    partition.ClearFatData();
}

void CExFatCompleteSearch::LoadTables(CExFatPartitionEx& partition) const {
    if ((partition.GetFlags() & CExFatPartitionEx::kFlagFirstFat) != 0)
        partition.CreateFatTable(m_pDevice, static_cast<long long>(partition.GetFatStart()), partition.GetFatLength());
    // The boot sector's geometry places the root and its bitmap entry: deleted files are
    // then judged by the clusters allocated now, as the quick scan judges them.
    if (partition.HasBootSector()) partition.SetAllocationBitmap(partition.ReadAllocationBitmap(m_pDevice));
}

void CExFatCompleteSearch::EndSearch(int iBuild) {
    if (iBuild != 0 && !m_block.empty()) {
        Settle();
        BuildeFileNode();
        // Each partition's record, by the index its nodes carry: index files in its recycle bin
        // are read from its own clusters when FlashBuild restores names (the builder copies it).
        std::size_t const built = std::min<std::size_t>(m_partitions.size(), CSearchedPartitionInfo::kNoPartitionIndex);
        for (std::size_t k = 0; k < built; ++k) m_pBuilder->SetPartitonDevice(PartitionRecord(k).get(), m_pDevice);
        m_pBuilder->FlashBuild(SEARCHER_TYPE_EXFAT);
    }
    m_preAnalyze.FinisAnayze();
    m_partitionBuilder.Clear();
}

void CExFatCompleteSearch::BuildeFileNode() {
    if (m_partitions.empty() || m_pBuilder == nullptr) return;
    m_pBuilder->AddSearcherInfo(SEARCHER_TYPE_EXFAT, -1);
    for (std::size_t k = 0; k < m_partitions.size() && k < CSearchedPartitionInfo::kNoPartitionIndex; ++k) {
        CExFatPartitionEx& partition = *m_partitions[k];
        // An image stored in pieces in a file of another volume: the scan of that file reads it.
        if (m_pFoundVolumes != nullptr &&
            m_pFoundVolumes->IsReadElsewhere(SEARCHER_TYPE_EXFAT,
                                             static_cast<std::int64_t>(partition.GetPartitionStart())))
            continue;
        LoadTables(partition);
        std::vector<std::int64_t> const noStarts;
        std::vector<std::int64_t> const& starts =
            m_pFoundVolumes != nullptr ? m_pFoundVolumes->StartsInside(SEARCHER_TYPE_EXFAT, k) : noStarts;
        for (ReleasePtr<CExFatFileNode>& pNode : m_partitionBuilder.BuildFileTree(partition, starts)) {
            pNode->SetBelongedPartition(static_cast<unsigned short>(k));
            if (m_pBuilder->AddNode(pNode.get(), SEARCHER_TYPE_EXFAT) != 0) pNode.release();  // the builder owns it now
        }
        partition.ClearFatData();
    }
}
