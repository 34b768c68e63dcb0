#include "engine/DataRunList.h"

#include <algorithm>
#include <bit>

#include "engine/core/bytes/CheckedMath.h"

CDataRunList::~CDataRunList() { Clear(); }

void CDataRunList::Clear() {
    if (m_u32Count > 1) delete[] m_pMany;
    m_u32Count = 0;
    m_u32Cursor = 0;
    m_one = {};
}

void CDataRunList::TakeRuns(CDataRunList& other) {
    if (&other == this) return;
    Clear();
    m_u32Count = other.m_u32Count;
    m_u32Resident = other.m_u32Resident;
    if (m_u32Count > 1)
        m_pMany = other.m_pMany;
    else
        m_one = other.m_one;
    other.m_u32Count = 0;  // the block is ours now
    other.Clear();
    other.m_u32Resident = 0;
}

void CDataRunList::CopyRuns(CDataRunList const& other) {
    if (&other == this) return;
    Clear();
    m_u32Resident = other.m_u32Resident;
    for (std::uint32_t i = 0; i < other.m_u32Count; ++i) Append(other.Runs()[i]);
}

DataRun* CDataRunList::GetFirst() {
    m_u32Cursor = 0;
    return m_u32Count == 0 ? nullptr : Runs();
}

DataRun* CDataRunList::GetNext() {
    if (m_u32Cursor < m_u32Count) ++m_u32Cursor;
    return m_u32Cursor < m_u32Count ? Runs() + m_u32Cursor : nullptr;
}

int CDataRunList::IsDone() { return m_u32Cursor >= m_u32Count ? 1 : 0; }

int CDataRunList::IsResident() { return static_cast<int>(m_u32Resident); }

IDataRunList* CDataRunList::Clone() {
    auto* pCopy = new CDataRunList();
    pCopy->CopyRuns(*this);
    return pCopy;
}

void CDataRunList::Append(DataRun const& run) {
    if (m_u32Count == 0) {
        m_one = run;
    } else {
        // The block doubles when full, as a vector would; its size is the count's power of two.
        bool const bFull = m_u32Count == 1 || std::has_single_bit(m_u32Count);
        if (bFull) {
            auto* pBlock = new DataRun[std::size_t{m_u32Count} * 2];
            std::copy_n(Runs(), m_u32Count, pBlock);
            if (m_u32Count > 1) delete[] m_pMany;
            m_pMany = pBlock;
        }
        m_pMany[m_u32Count] = run;
    }
    ++m_u32Count;
}

int CDataRunList::AddDataRun(DataRun const* pRun) {
    // Runs come from on-disk metadata: a negative length or an end past the 64-bit range
    // would turn into absurd reads in copy-out, so such runs are refused here once.
    if (!pRun || pRun->s64Length < 0) return 0;
    if (!engine::CheckedAdd(pRun->s64Start, pRun->s64Length)) return 0;

    if (m_u32Count != 0) {
        DataRun& last = Runs()[m_u32Count - 1];
        // A negative start marks a hole; holes are never extended by a following run.
        if (last.s64Start >= 0 && last.s64Start + last.s64Length == pRun->s64Start) {
            if (auto merged = engine::CheckedAdd(last.s64Length, pRun->s64Length)) {
                last.s64Length = *merged;
                return 1;
            }
        }
    }
    if (m_u32Count == kMaxRuns) return 0;
    Append(*pRun);
    return 1;
}

long long CDataRunList::GetOffset() { return 0; }

int CDataRunList::GetDataRunListType() { return kListType; }

void CDataRunList::Release() { delete this; }

IDataRunList* CreateDataRunList() { return new CDataRunList(); }
