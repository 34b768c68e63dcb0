#include "engine/DataRunList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/ReleasePtr.h"

namespace {

constexpr long long kMax = std::numeric_limits<long long>::max();

std::vector<std::pair<long long, long long>> Runs(IDataRunList& list) {
    std::vector<std::pair<long long, long long>> runs;
    for (DataRun* pRun = list.GetFirst(); pRun; pRun = list.GetNext())
        runs.emplace_back(pRun->s64Start, pRun->s64Length);
    return runs;
}

struct AddCase {
    char const* pszName;
    std::vector<DataRun> added;
    std::vector<int> accepted;
    std::vector<std::pair<long long, long long>> expected;
};

class AddDataRunTest : public testing::TestWithParam<AddCase> {};

TEST_P(AddDataRunTest, KeepsRunsInOrderMergingOnlyContinuations) {
    AddCase const& c = GetParam();
    ReleasePtr<IDataRunList> list(CreateDataRunList());
    std::vector<int> accepted;
    for (DataRun const& run : c.added) accepted.push_back(list->AddDataRun(&run));
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(Runs(*list), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddDataRunTest,
    testing::Values(AddCase{"ContinuationMerged", {{100, 8}, {108, 4}, {200, 1}}, {1, 1, 1}, {{100, 12}, {200, 1}}},
                    AddCase{"NoMergeBehindHole", {{-1, 8}, {7, 4}}, {1, 1}, {{-1, 8}, {7, 4}}},
                    AddCase{"HoleNotExtendedByHole", {{-5, 5}, {0, 2}}, {1, 1}, {{-5, 5}, {0, 2}}},
                    AddCase{"GapNotMerged", {{0, 4}, {5, 1}}, {1, 1}, {{0, 4}, {5, 1}}},
                    AddCase{"EarlierRunNotMerged", {{10, 2}, {0, 10}}, {1, 1}, {{10, 2}, {0, 10}}},
                    AddCase{"NegativeLengthRefused", {{0, 4}, {4, -1}, {4, 1}}, {1, 0, 1}, {{0, 5}}},
                    AddCase{"EndPastRangeRefused", {{kMax - 1, 4}, {0, 1}}, {0, 1}, {{0, 1}}},
                    AddCase{"MergeUpToRangeEnd", {{0, kMax - 1}, {kMax - 1, 1}}, {1, 1}, {{0, kMax}}},
                    AddCase{"OverflowingContinuationRefused", {{0, kMax - 1}, {kMax - 1, 2}}, {1, 0}, {{0, kMax - 1}}}),
    [](testing::TestParamInfo<AddCase> const& param) { return std::string(param.param.pszName); });

TEST(DataRunList, KeepsEveryRunAsItGrowsAndInEveryCopy) {
    // A lone run lives in the list, more in a block that doubles: each step across a power of
    // two must keep every run, in the list, its clone, and a list that took the runs over.
    std::vector<std::pair<long long, long long>> expected;
    CDataRunList list;
    list.SetResident(1);
    for (long long i = 0; i < 40; ++i) {
        DataRun const run{i * 100, i + 1};  // never a continuation: each stays a run of its own
        ASSERT_EQ(list.AddDataRun(&run), 1);
        expected.emplace_back(run.s64Start, run.s64Length);
        ASSERT_EQ(Runs(list), expected) << "after " << i + 1 << " runs";
        ReleasePtr<IDataRunList> clone(list.Clone());
        ASSERT_EQ(Runs(*clone), expected);
        EXPECT_EQ(clone->IsResident(), 1);
    }
    CDataRunList taker;
    taker.TakeRuns(list);
    EXPECT_EQ(Runs(taker), expected);
    EXPECT_EQ(taker.IsResident(), 1);
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.IsResident(), 0);
    // Taken back down to one run: the block goes, the lone run stays in place.
    CDataRunList one;
    DataRun const lone{7, 3};
    one.AddDataRun(&lone);
    taker.CopyRuns(one);
    EXPECT_EQ(Runs(taker), (std::vector<std::pair<long long, long long>>{{7, 3}}));
    EXPECT_EQ(taker.IsResident(), 0);
}

TEST(DataRunList, RefusesNullRun) {
    ReleasePtr<IDataRunList> list(CreateDataRunList());
    EXPECT_EQ(list->AddDataRun(nullptr), 0);
    EXPECT_EQ(list->GetFirst(), nullptr);
}

TEST(DataRunList, EmptyListHasNoFirstRunAndIsDone) {
    ReleasePtr<IDataRunList> list(CreateDataRunList());
    EXPECT_EQ(list->GetFirst(), nullptr);
    EXPECT_EQ(list->GetNext(), nullptr);
    EXPECT_TRUE(list->IsDone());
}

TEST(DataRunList, CursorPassesLastRunThenStaysDone) {
    ReleasePtr<IDataRunList> list(CreateDataRunList());
    DataRun const first{1, 1};
    DataRun const second{5, 1};
    list->AddDataRun(&first);
    list->AddDataRun(&second);

    ASSERT_NE(list->GetFirst(), nullptr);
    EXPECT_FALSE(list->IsDone());
    DataRun* pSecond = list->GetNext();
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(pSecond->s64Start, 5);
    EXPECT_FALSE(list->IsDone());
    EXPECT_EQ(list->GetNext(), nullptr);
    EXPECT_TRUE(list->IsDone());
    EXPECT_EQ(list->GetNext(), nullptr);

    // GetFirst rewinds.
    EXPECT_EQ(list->GetFirst()->s64Start, 1);
    EXPECT_FALSE(list->IsDone());
}

TEST(DataRunList, CloneCopiesRunsAndResidentFlagIndependently) {
    auto* pList = new CDataRunList();
    ReleasePtr<IDataRunList> list(pList);
    DataRun const runs[] = {{-1, 3}, {10, 2}, {12, 2}};
    for (DataRun const& run : runs) pList->AddDataRun(&run);
    pList->SetResident(1);

    ReleasePtr<IDataRunList> copy(list->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->IsResident(), 1);
    EXPECT_EQ(Runs(*copy), Runs(*list));

    DataRun const more{14, 1};
    copy->AddDataRun(&more);
    EXPECT_EQ(Runs(*list), (std::vector<std::pair<long long, long long>>{{-1, 3}, {10, 4}}));
    EXPECT_EQ(Runs(*copy), (std::vector<std::pair<long long, long long>>{{-1, 3}, {10, 5}}));
}

}  // namespace
