#pragma once
// A file node made only of a size, a compressed flag and runs: what copy-out needs to read a
// file that the harness describes by hand instead of a searcher.
#include <cstdint>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"
#include "engine/core/node/FileNode.h"

class CRunListNode final : public CFileNode {
public:
    CRunListNode(std::vector<DataRun> const& runs, long long s64Size, bool bCompressed) : m_s64Size(s64Size) {
        SetCompressed(bCompressed ? 1 : 0);
        ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
        for (DataRun const& run : runs) pRuns->AddDataRun(&run);
        SetDataRunList(std::move(pRuns));
    }

    char const* GetFileName() override { return "extract"; }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return 0; }
    _FILETIME GetCreationTime() override { return {}; }
    _FILETIME GetModificationTime() override { return {}; }
    _FILETIME GetLastAccessTime() override { return {}; }
    int IsDirectory() override { return 0; }
    int IsDeleted() override { return 0; }
    IFileNode* Clone() override { return new CRunListNode(*this); }
    void MarkDeleted() override {}
    void FilterFileNameByDot() override {}

private:
    CRunListNode(CRunListNode const&) = default;

    long long m_s64Size;
};
