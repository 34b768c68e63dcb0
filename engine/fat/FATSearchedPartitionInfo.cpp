#include "engine/fat/FATSearchedPartitionInfo.h"

CFATSearchedPartitionInfo* CFATSearchedPartitionInfo::Clone() const {
    // Copy construction, so that a field added later is copied without a line here.
    auto* pCopy = new CFATSearchedPartitionInfo(*this);
    CSearchedPartitionInfo const fresh(m_u32SectorSize);
    pCopy->m_u64FileSystemCount = fresh.m_u64FileSystemCount;
    pCopy->m_dScore = fresh.m_dScore;
    return pCopy;
}
