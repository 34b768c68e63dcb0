#include "engine/DataRunList.h"

#include "engine/core/bytes/CheckedMath.h"

DataRun* CDataRunList::GetFirst() {
    m_cursor = 0;
    return m_runs.empty() ? nullptr : &m_runs.front();
}

DataRun* CDataRunList::GetNext() {
    if (m_cursor < m_runs.size()) ++m_cursor;
    return m_cursor < m_runs.size() ? &m_runs[m_cursor] : nullptr;
}

int CDataRunList::IsDone() { return m_cursor >= m_runs.size() ? 1 : 0; }

int CDataRunList::IsResident() { return static_cast<int>(m_u32Resident); }

IDataRunList* CDataRunList::Clone() {
    auto* pCopy = new CDataRunList();
    pCopy->m_u32Resident = m_u32Resident;
    for (DataRun const& run : m_runs) pCopy->AddDataRun(&run);
    return pCopy;
}

int CDataRunList::AddDataRun(DataRun const* pRun) {
    // Runs come from on-disk metadata: a negative length or an end past the 64-bit range
    // would turn into absurd reads in copy-out, so such runs are refused here once.
    if (!pRun || pRun->s64Length < 0) return 0;
    if (!engine::CheckedAdd(pRun->s64Start, pRun->s64Length)) return 0;

    if (!m_runs.empty()) {
        DataRun& last = m_runs.back();
        // A negative start marks a hole; holes are never extended by a following run.
        if (last.s64Start >= 0 && last.s64Start + last.s64Length == pRun->s64Start) {
            if (auto merged = engine::CheckedAdd(last.s64Length, pRun->s64Length)) {
                last.s64Length = *merged;
                return 1;
            }
        }
    }
    m_runs.push_back(*pRun);
    return 1;
}

long long CDataRunList::GetOffset() { return 0; }

int CDataRunList::GetDataRunListType() { return kListType; }

void CDataRunList::Release() { delete this; }

IDataRunList* CreateDataRunList() { return new CDataRunList(); }
