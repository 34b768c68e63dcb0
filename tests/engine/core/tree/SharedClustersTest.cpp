// Deleted files claiming the same clusters: the later-written one keeps them, the earlier is
// refused as overwritten, and where the times cannot tell both copies are in doubt. Hostile
// claims (past any volume's end, one cluster claimed thousands of times) end in bounded time
// with at most one contested file counted as recovered.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/DataRunList.h"
#include "engine/FileTimeTicks.h"
#include "engine/IDataRecovery.h"
#include "engine/core/tree/SharedClusters.h"
#include "testkit/TestFileNode.h"

namespace {

struct ClaimRow {
    long long s64First;
    long long s64Clusters;
    std::uint64_t u64Written;  // 0: unknown
    bool bDeleted = true;
    unsigned short u16Partition = 0;
    std::uint64_t u64Slot = 0;  // where the entry lies; 0: unknown
};

/// Each row's copy refusal or note once the rows' nodes are settled.
std::vector<std::uint32_t> Settle(std::vector<ClaimRow> const& rows) {
    std::vector<std::unique_ptr<testkit::CTestFileNode>> owned;
    std::vector<CFileNode*> nodes;
    for (ClaimRow const& row : rows) {
        auto& pNode = owned.emplace_back(std::make_unique<testkit::CTestFileNode>("claimant"));
        pNode->SetDeleted(row.bDeleted);
        pNode->SetFileSize(row.s64Clusters * 4096);
        pNode->SetTimes(FileTimeFromTicks(row.u64Written), FileTimeFromTicks(row.u64Written), {});
        pNode->SetBelongedPartition(row.u16Partition);
        pNode->SetEntryPosition(row.u64Slot);
        ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
        DataRun const run{row.s64First, row.s64Clusters};
        pRuns->AddDataRun(&run);
        pNode->SetDataRunList(std::move(pRuns));
        nodes.push_back(pNode.get());
    }
    SettleSharedClusters(nodes);
    std::vector<std::uint32_t> verdicts;
    for (auto const& pNode : owned) verdicts.push_back(pNode->GetCopyRefusal());
    return verdicts;
}

constexpr std::uint32_t kKept = 0;
constexpr std::uint32_t kGone = kCodeOverwritten;
constexpr std::uint32_t kDoubt = kCodePossiblyOverwritten;
constexpr long long kBeyond = INT64_MAX - 5;

struct SharedCase {
    char const* pszName;
    std::vector<ClaimRow> rows;
    std::vector<std::uint32_t> verdicts;
};

class SharedClustersTest : public ::testing::TestWithParam<SharedCase> {};

TEST_P(SharedClustersTest, TheLaterWrittenFileKeepsTheClusters) {
    EXPECT_EQ(Settle(GetParam().rows), GetParam().verdicts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedClustersTest,
    ::testing::Values(
        SharedCase{"LaterWins", {{0, 4, 100}, {2, 4, 200}}, {kGone, kKept}},
        SharedCase{"LaterWinsInAnyOrder", {{2, 4, 300}, {0, 4, 200}, {3, 1, 100}}, {kKept, kGone, kGone}},
        SharedCase{"EqualTimesLeaveBothInDoubt", {{0, 4, 100}, {3, 4, 100}}, {kDoubt, kDoubt}},
        SharedCase{"UnknownTimeLeavesBothInDoubt", {{0, 4, 0}, {3, 4, 100}}, {kDoubt, kDoubt}},
        SharedCase{"TouchingRunsShareNothing", {{0, 4, 100}, {4, 4, 200}}, {kKept, kKept}},
        SharedCase{"LiveFilesAreJudgedByTheirVolume", {{0, 4, 100}, {0, 4, 200, false}}, {kKept, kKept}},
        SharedCase{"PartitionsShareNoClusters", {{0, 4, 100, true, 0}, {0, 4, 200, true, 1}}, {kKept, kKept}},
        SharedCase{
            "OneSlotReachedTwiceIsOneEntry", {{0, 4, 100, true, 0, 64}, {0, 4, 100, true, 0, 64}}, {kKept, kKept}},
        SharedCase{
            "TwoSlotsAlikeAreTwoEntries", {{0, 4, 100, true, 0, 64}, {0, 4, 100, true, 0, 96}}, {kDoubt, kDoubt}},
        SharedCase{"ClaimsPastAnyVolumesEnd", {{kBeyond, 5, 100}, {kBeyond + 1, 3, 200}}, {kGone, kKept}}),
    [](::testing::TestParamInfo<SharedCase> const& caseInfo) { return std::string(caseInfo.param.pszName); });

TEST(SharedClustersHostileTest, OneClusterClaimedOverAndOverLeavesAtMostTheNewestCounted) {
    for (std::size_t const claims : {std::size_t{1000}, 3 * kMaxWeighedClaims}) {
        std::vector<ClaimRow> rows;
        for (std::size_t i = 0; i < claims; ++i) rows.push_back({7, 1, 1000 + i});
        std::vector<std::uint32_t> const verdicts = Settle(rows);
        // Below the limit every claim is weighed and only the newest stands; past it none does.
        EXPECT_EQ(std::count(verdicts.begin(), verdicts.end(), kKept), claims < kMaxWeighedClaims ? 1 : 0) << claims;
        EXPECT_EQ(verdicts.back() == kKept, claims < kMaxWeighedClaims) << claims;
    }
}

}  // namespace
