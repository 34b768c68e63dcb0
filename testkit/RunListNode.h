#pragma once
// A file node made only of a size, a compressed flag and runs: what copy-out needs to read a
// file that the harness describes by hand instead of a searcher.
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"
#include "testkit/TestFileNode.h"

class CRunListNode final : public testkit::CTestFileNode {
public:
    CRunListNode(std::vector<DataRun> const& runs, long long s64Size, bool bCompressed) : CTestFileNode("extract") {
        SetFileSize(s64Size);
        SetCompressed(bCompressed ? 1 : 0);
        ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
        for (DataRun const& run : runs) pRuns->AddDataRun(&run);
        SetDataRunList(std::move(pRuns));
    }
};
