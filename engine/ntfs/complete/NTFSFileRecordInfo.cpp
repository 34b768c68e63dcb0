#include "engine/ntfs/complete/NTFSFileRecordInfo.h"

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/ondisk/NTFSFileName.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/NTFSIndexEntries.h"
#include "engine/ntfs/ondisk/NTFSStoredValue.h"

namespace {
constexpr std::uint64_t kFirstOrdinaryFolder = 5;

std::optional<std::uint64_t> ParentOfName(CNTFSFileRecord const& record, std::uint32_t u32Index) {
    auto const attribute = record.FindAttibute(ntfs::kAttrFileName, u32Index);
    if (!attribute) return std::nullopt;
    auto const name = CNTFSFileRecordFileNameAttribute::Read(attribute->GetValue());
    if (!name || name->ParentRecord() < kFirstOrdinaryFolder) return std::nullopt;
    return name->ParentRecord();
}
}  // namespace

bool CCommonFileRecordPositionInfo::Merge(std::int64_t s64Sector) {
    auto const next = engine::CheckedMul(kSectorsPerRecord, m_s64Count);
    auto const expected = next ? engine::CheckedAdd(m_s64StartSector, *next) : std::nullopt;
    if (!expected || s64Sector != *expected) return false;
    ++m_s64Count;
    return true;
}

void CCommonFileRecordPositionInfo::Save(IRSData& archive) const {
    ntfs::WriteStored(archive, m_s64StartSector);
    ntfs::WriteStored(archive, m_s64Count);
}

void CCommonFileRecordPositionInfo::Restore(IRSData& archive) {
    m_s64StartSector = ntfs::ReadStored<std::int64_t>(archive);
    m_s64Count = ntfs::ReadStored<std::int64_t>(archive);
}

bool CCommonFileRecordInfo::InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector) {
    return InitFromBuffer(CNTFSFileRecord(buffer), s64Sector);
}

bool CCommonFileRecordInfo::InitFromBuffer(CNTFSFileRecord const& record, std::int64_t s64Sector) {
    if (!record.IsValid()) return false;
    m_bDirectory = record.IsFolder();
    if (record.HasXPNumberOfthisMFTRecord()) m_s64Number = record.GetXPNumberOfthisMFTRecord();
    auto parent = ParentOfName(record, 1);
    if (!parent) parent = ParentOfName(record, 0);
    m_s64Parent = parent ? static_cast<std::int64_t>(*parent) : -1;
    m_s64Sector = s64Sector;
    return true;
}

bool CFolderIndexAllocationInfo::InitFromBuffer(engine::ByteView buffer, std::int64_t s64Sector,
                                                std::uint32_t u32SectorSize) {
    CNTFSFileRecord const record(buffer);
    if (!record.IsValid() || record.IsExtendFileRecord()) return false;
    if (auto const root = record.FindAttibute(ntfs::kAttrIndexRoot))
        m_s64Number = CNTFSFileRecordIndexRootAttribute::GetMFTFileRecordNumberfrom0x90(*root);
    auto const allocation = record.FindAttibute(ntfs::kAttrIndexAllocation);
    CNTFSDataRunList runs;
    if (!allocation || allocation->IsResident() || !runs.InitFromBuffer(allocation->GetDataRunsBuffer()) ||
        runs.IsEmpty())
        return false;
    m_u32SectorsPerCluster = allocation->GetSectorsPerCluster(u32SectorSize);
    if (m_u32SectorsPerCluster == 0) return false;
    m_runs = std::move(runs);
    m_s64Sector = s64Sector;
    m_u64LogFileSequenceNumber = record.GetLogFileSequenceNumber();
    if (record.HasXPNumberOfthisMFTRecord()) {
        m_bHasStoredNumber = true;
        m_u32StoredNumber = record.GetXPNumberOfthisMFTRecord();
        if (m_s64Number == kUnknownNumber || m_s64Number == kUnreadableNumber) m_s64Number = m_u32StoredNumber;
    }
    return m_s64Number >= 0 && m_s64Number != kRootFolder;
}
