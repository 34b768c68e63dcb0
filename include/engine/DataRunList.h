#pragma once
// The engine's general run list: (start, length) pairs kept in the order they were added.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/IDataRunList.h"

class CDataRunList : public IDataRunList {
public:
    static constexpr int kListType = 5;

    CDataRunList() = default;

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
    void SetResident(std::uint32_t u32Resident) { m_u32Resident = u32Resident; }

private:
    std::uint32_t m_u32Resident = 0;
    std::vector<DataRun> m_runs;
    std::size_t m_cursor = 0;  // == m_runs.size() once past the last run
};
