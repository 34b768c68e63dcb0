#include "engine/ntfs/NTFSFileProperties.h"

#include "engine/DataRunList.h"
#include "engine/IDataRunList.h"
#include "engine/core/bytes/CheckedMath.h"

void CNTFSFileProperties::SetFileName(char const* pszName) {
    if (pszName != nullptr) m_name = pszName;
}

bool CNTFSFileProperties::SetDataRunList(IDataRunList* pList, std::uint16_t u16ResidentOffset) {
    if (pList == nullptr) return true;
    std::optional<CCompressedDataRunList> packed = CCompressedDataRunList::Pack(*pList, u16ResidentOffset);
    if (!packed) return false;
    m_packedRuns = std::move(packed);
    return true;
}

bool CNTFSFileProperties::SetNonResidentRuns(CNTFSDataRunList const& runs) {
    CDataRunList list;
    std::int64_t s64NextVCN = 0;
    for (CDataRun const& run : runs.Runs()) {
        if (run.s64VCN != s64NextVCN || run.s64Count <= 0) break;
        DataRun const piece{run.s64LCN < 0 ? -1 : run.s64LCN, run.s64Count};
        if (list.AddDataRun(&piece) == 0) break;
        s64NextVCN += run.s64Count;
    }
    return list.GetFirst() != nullptr && SetDataRunList(&list);
}

std::int64_t CNTFSFileProperties::GetTotalClusters() const {
    if (!m_packedRuns || m_packedRuns->IsResident()) return 0;
    ReleasePtr<IDataRunList> const pList = m_packedRuns->Unpack();
    std::int64_t s64Total = 0;
    for (DataRun const* pRun = pList ? pList->GetFirst() : nullptr; pRun != nullptr; pRun = pList->GetNext())
        s64Total = engine::CheckedAdd<std::int64_t>(s64Total, pRun->s64Length).value_or(INT64_MAX);
    return s64Total;
}

void CNTFSFileProperties::SetTimes(std::uint64_t u64Creation, std::uint64_t u64Modification, std::uint64_t u64Access) {
    m_u64Creation = u64Creation;
    m_u64Modification = u64Modification;
    m_u64LastAccess = u64Access;
}

void CNTFSFileProperties::SetFileRecordPosition(std::uint64_t u64Byte, std::uint32_t u32Size) {
    m_u64RecordByte = u64Byte;
    m_u32RecordSize = u32Size;
}
