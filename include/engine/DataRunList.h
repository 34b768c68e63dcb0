#pragma once
// The engine's general run list: (start, length) pairs kept in the order they were added. Every
// found file holds one inside its node, so it is small: a lone run (most files) lives in the
// list itself, longer lists in one block of their own.
#include <cstddef>
#include <cstdint>

#include "engine/IDataRunList.h"

class CDataRunList : public IDataRunList {
public:
    static constexpr int kListType = 5;

    CDataRunList() = default;
    CDataRunList(CDataRunList const&) = delete;
    CDataRunList& operator=(CDataRunList const&) = delete;
    ~CDataRunList() override;

    /// Pointers returned here stay valid until the next AddDataRun.
    DataRun* GetFirst() override;
    DataRun* GetNext() override;
    int IsDone() override;
    int IsResident() override;
    /// Copies the runs and the resident flag.
    IDataRunList* Clone() override;
    int AddDataRun(DataRun const* pRun) override;
    long long GetOffset() override;
    int GetDataRunListType() override;
    void Release() override;

    /// Results files store the flag beside the runs and set it once the list is built.
    void SetResident(std::uint32_t u32Resident) { m_u32Resident = u32Resident != 0 ? 1 : 0; }

    /// Takes the other list's runs and flag, leaving it empty; the cursor starts over.
    void TakeRuns(CDataRunList& other);
    /// Copies the other list's runs and flag in place of these; the cursor starts over.
    void CopyRuns(CDataRunList const& other);

private:
    /// The runs: the one in place while there is at most one, else the block.
    DataRun* Runs() { return m_u32Count <= 1 ? &m_one : m_pMany; }
    DataRun const* Runs() const { return m_u32Count <= 1 ? &m_one : m_pMany; }
    void Append(DataRun const& run);
    void Clear();

    static constexpr std::uint32_t kMaxRuns = 0x7FFFFFFF;
    std::uint32_t m_u32Count : 31 = 0;
    std::uint32_t m_u32Resident : 1 = 0;
    std::uint32_t m_u32Cursor = 0;  // == m_u32Count once past the last run
    union {
        DataRun m_one{};
        DataRun* m_pMany;  // a power of two of runs, at least m_u32Count
    };
};
