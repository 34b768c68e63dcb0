#include "engine/core/copyout/ClusterBitmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/ReleasePtr.h"

namespace {

// 64 clusters, of which the bitmap (6 bytes) covers 48: clusters 9 and 40-47 are allocated.
CClusterBitmap const kBitmap({0x00, 0x02, 0x00, 0x00, 0x00, 0xFF}, 64);

struct RunsCase {
    char const* pszName;
    std::vector<DataRun> runs;
    std::uint64_t u64Bytes;  // of data wanted, in clusters of 4096 bytes
    std::uint32_t u32Refusal;
};

TEST(ClusterBitmap, RefusesRunsOverAllocatedUnknownOrMissingClusters) {
    RunsCase const cases[] = {
        {"free clusters", {{0, 9}, {10, 30}}, 39 * 4096, 0},
        {"a hole over an allocated cluster", {{0, 9}, {-1, 1}, {10, 5}}, 15 * 4096, 0},
        {"one allocated cluster", {{0, 10}}, 10 * 4096, kCodeOverwritten},
        {"allocated, but past the bytes wanted", {{0, 12}}, 9 * 4096, 0},
        {"a whole allocated byte", {{30, 18}}, 18 * 4096, kCodeOverwritten},
        {"past the bitmap's end", {{48, 4}}, 4 * 4096, kCodeIoFailure},
        {"past the volume's end", {{60, 8}}, 8 * 4096, kCodePastEnd},
        {"a start beyond every cluster", {{0x7FFFFFFFFFFFFF00, 4}}, 4 * 4096, kCodePastEnd},
    };
    for (RunsCase const& runsCase : cases) {
        SCOPED_TRACE(runsCase.pszName);
        ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
        for (DataRun const& run : runsCase.runs) ASSERT_NE(pRuns->AddDataRun(&run), 0);
        EXPECT_EQ(kBitmap.RunsRefusal(*pRuns, 4096, runsCase.u64Bytes), runsCase.u32Refusal);
    }
}

}  // namespace
