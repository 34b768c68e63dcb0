#include "engine/ntfs/complete/NTFSSearchedPartitionInfo.h"

#include "engine/ntfs/ondisk/NTFSStoredValue.h"

void CSearchedNTFSPartitionInfo::Save(IRSData& archive) const {
    ntfs::WriteStored(archive, m_u64SerialNumber);
    for (std::uint32_t const u32Value :
         {m_u32SectorsPerFileRecord, m_u32BuildFromFlags, m_u32MetaFileGroupFound, m_u32Reserved})
        ntfs::WriteStored(archive, u32Value);
    for (std::int64_t const s64Value :
         {m_s64ClusterCount, m_s64LogFileMatchCount, m_s64AttrDefMatchCount, m_s64UpCaseMatchCount, m_s64MftGroupSector,
          m_s64LogFileRecordSector, m_s64AttrDefRecordSector, m_s64UpCaseRecordSector, m_s64SizeByMftGroup})
        ntfs::WriteStored(archive, s64Value);
}

void CSearchedNTFSPartitionInfo::Restore(IRSData& archive) {
    m_u64SerialNumber = ntfs::ReadStored<std::uint64_t>(archive);
    for (std::uint32_t* pValue :
         {&m_u32SectorsPerFileRecord, &m_u32BuildFromFlags, &m_u32MetaFileGroupFound, &m_u32Reserved})
        *pValue = ntfs::ReadStored<std::uint32_t>(archive);
    for (std::int64_t* pValue : {&m_s64ClusterCount, &m_s64LogFileMatchCount, &m_s64AttrDefMatchCount,
                                 &m_s64UpCaseMatchCount, &m_s64MftGroupSector, &m_s64LogFileRecordSector,
                                 &m_s64AttrDefRecordSector, &m_s64UpCaseRecordSector, &m_s64SizeByMftGroup})
        *pValue = ntfs::ReadStored<std::int64_t>(archive);
}
