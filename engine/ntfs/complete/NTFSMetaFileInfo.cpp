#include "engine/ntfs/complete/NTFSMetaFileInfo.h"

#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"
#include "engine/ntfs/ondisk/NTFSStoredValue.h"

bool CMetaFileInfo::InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector) {
    return InitFromBuffer(CNTFSFileRecord(buffer), s64Sector);
}

bool CMetaFileInfo::InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector) {
    CNTFSDataRunList runs;
    if (!record.IsValid() ||
        !CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, false, nullptr) || runs.IsEmpty())
        return false;
    m_runs = std::move(runs);
    m_s64Sector = s64Sector;
    m_u64LogFileSequenceNumber = record.GetLogFileSequenceNumber();
    return true;
}

bool CMetaFileInfo::Equals(CMetaFileInfo const& other) const {
    return m_s64Sector == other.m_s64Sector && m_u64LogFileSequenceNumber == other.m_u64LogFileSequenceNumber &&
           m_runs.IsEqual(other.m_runs);
}

bool CClusterSizedMetaFileInfo::InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector,
                                               std::uint32_t u32SectorSize) {
    auto const sectorsPerCluster = CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record, u32SectorSize);
    if (!sectorsPerCluster) return false;
    m_u8SectorsPerCluster = static_cast<std::uint8_t>(*sectorsPerCluster);
    return CMetaFileInfo::InitFromBuffer(record, s64Sector);
}

std::unique_ptr<CMFTMirrInfo> CMFTMirrInfo::Build(CNTFSFileRecord const& record, std::int64_t s64Sector,
                                                  std::uint32_t u32SectorSize) {
    auto pInfo = std::make_unique<CMFTMirrInfo>();
    if (!pInfo->InitFromBuffer(record, s64Sector, u32SectorSize)) return nullptr;
    return pInfo;
}

bool CMFTInfo::InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector, std::uint32_t u32SectorSize) {
    auto const sectorsPerCluster = CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record, u32SectorSize);
    if (!sectorsPerCluster || *sectorsPerCluster == 0) return false;
    CNTFSDataRunList runs;
    if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, false, nullptr)) return false;
    m_u8SectorsPerCluster = static_cast<std::uint8_t>(*sectorsPerCluster);
    m_runs = std::move(runs);
    m_s64Sector = s64Sector;
    return !m_runs.IsEmpty();
}

std::unique_ptr<CMFTInfo> CMFTInfo::Build(CNTFSFileRecord const& record, std::int64_t s64Sector,
                                          std::uint32_t u32SectorSize) {
    auto pInfo = std::make_unique<CMFTInfo>();
    if (!pInfo->InitFromBuffer(record, s64Sector, u32SectorSize) || pInfo->GetFirstClusterNO() == -1) return nullptr;
    return pInfo;
}

void CMFTInfo::Save(IRSData& archive) const {
    ntfs::WriteStored(archive, m_s64Sector);
    ntfs::WriteStored(archive, m_u8SectorsPerFileRecord);
    ntfs::WriteStored(archive, m_u8SectorsPerCluster);
    m_runs.Save(archive);
}

void CMFTInfo::Restore(IRSData& archive) {
    m_s64Sector = ntfs::ReadStored<std::int64_t>(archive);
    m_u8SectorsPerFileRecord = ntfs::ReadStored<std::uint8_t>(archive);
    m_u8SectorsPerCluster = ntfs::ReadStored<std::uint8_t>(archive);
    m_runs.Restore(archive);
}

bool CBitmapFileInfo::InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector) {
    CNTFSDataRunList runs;
    std::int64_t s64Size = 0;
    if (!record.IsValid() ||
        !CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, &s64Size) || s64Size <= 0 ||
        runs.GetTotalClusters() < 1)
        return false;
    m_s64FileSize = s64Size;
    m_s64Sector = s64Sector;
    return true;
}
