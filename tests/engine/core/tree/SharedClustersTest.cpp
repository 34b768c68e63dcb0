// Deleted files that claim the same clusters: the later-written one keeps them, the earlier is
// refused as overwritten, and where the times cannot tell both copies are in doubt. Hostile
// claims (past any volume's end, one cluster claimed a thousand times and more) end in bounded
// time with no file both contested and counted as recovered.
#include <gtest/gtest.h>

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
};

struct SharedCase {
    char const* pszName;
    std::vector<ClaimRow> rows;
    std::vector<std::uint32_t> verdicts;  // each row's copy refusal or note afterwards
};

std::unique_ptr<testkit::CTestFileNode> MakeNode(ClaimRow const& row) {
    auto pNode = std::make_unique<testkit::CTestFileNode>("claimant");
    pNode->SetDeleted(row.bDeleted);
    pNode->SetFileSize(row.s64Clusters * 4096);
    _FILETIME const written = FileTimeFromTicks(row.u64Written);
    pNode->SetTimes(written, written, written);
    pNode->SetBelongedPartition(row.u16Partition);
    ReleasePtr<IDataRunList> pRuns(CreateDataRunList());
    DataRun const run{row.s64First, row.s64Clusters};
    pRuns->AddDataRun(&run);
    pNode->SetDataRunList(std::move(pRuns));
    return pNode;
}

std::vector<std::uint32_t> Settle(std::vector<ClaimRow> const& rows) {
    std::vector<std::unique_ptr<testkit::CTestFileNode>> owned;
    std::vector<CFileNode*> nodes;
    for (ClaimRow const& row : rows) {
        owned.push_back(MakeNode(row));
        nodes.push_back(owned.back().get());
    }
    SettleSharedClusters(nodes);
    std::vector<std::uint32_t> verdicts;
    for (auto const& pNode : owned) verdicts.push_back(pNode->GetCopyRefusal());
    return verdicts;
}

class SharedClustersTest : public ::testing::TestWithParam<SharedCase> {};

TEST_P(SharedClustersTest, TheLaterWrittenFileKeepsTheClusters) { EXPECT_EQ(Settle(GetParam().rows), GetParam().verdicts); }

constexpr std::uint32_t kKept = 0;
constexpr std::uint64_t kBeyond = INT64_MAX - 5;

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedClustersTest,
    ::testing::Values(
        SharedCase{"LaterWins", {{0, 4, 100}, {2, 4, 200}}, {kCodeOverwritten, kKept}},
        SharedCase{"LaterWinsInAnyOrder", {{2, 4, 300}, {0, 4, 200}, {3, 1, 100}}, {kKept, kCodeOverwritten, kCodeOverwritten}},
        SharedCase{"EqualTimesLeaveBothInDoubt", {{0, 4, 100}, {3, 4, 100}}, {kCodePossiblyOverwritten, kCodePossiblyOverwritten}},
        SharedCase{"UnknownTimeLeavesBothInDoubt", {{0, 4, 0}, {3, 4, 100}}, {kCodePossiblyOverwritten, kCodePossiblyOverwritten}},
        SharedCase{"TouchingRunsShareNothing", {{0, 4, 100}, {4, 4, 200}}, {kKept, kKept}},
        SharedCase{"LiveFilesAreJudgedByTheirVolume", {{0, 4, 100}, {0, 4, 200, false}}, {kKept, kKept}},
        SharedCase{"PartitionsShareNoClusters", {{0, 4, 100, true, 0}, {0, 4, 200, true, 1}}, {kKept, kKept}},
        SharedCase{"ClaimsPastAnyVolumesEnd", {{kBeyond, 5, 100}, {kBeyond + 1, 3, 200}}, {kCodeOverwritten, kKept}}),
    [](::testing::TestParamInfo<SharedCase> const& caseInfo) { return std::string(caseInfo.param.pszName); });

TEST(SharedClustersHostileTest, OneClusterClaimedAThousandTimesKeepsOnlyTheNewest) {
    std::vector<ClaimRow> rows;
    for (std::uint64_t i = 0; i < 1000; ++i) rows.push_back({7, 1, 1000 + i});
    std::vector<std::uint32_t> const verdicts = Settle(rows);
    for (std::size_t i = 0; i + 1 < verdicts.size(); ++i) ASSERT_EQ(verdicts[i], kCodeOverwritten) << i;
    EXPECT_EQ(verdicts.back(), kKept);
}

TEST(SharedClustersHostileTest, PastTheWeighedClaimsNoContestedFileCountsAsRecovered) {
    std::vector<ClaimRow> rows;
    for (std::uint64_t i = 0; i < 3 * kMaxWeighedClaims; ++i) rows.push_back({7, 1, 1000 + i});
    int iKept = 0;
    for (std::uint32_t const u32Verdict : Settle(rows)) iKept += u32Verdict == kKept ? 1 : 0;
    EXPECT_LE(iKept, 1);
}

}  // namespace
