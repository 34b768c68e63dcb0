#include "engine/core/copyout/CompressUnits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<tagCompressDataRun>;

std::string Describe(Pieces const& pieces) {
    std::string text;
    for (auto const& piece : pieces)
        text += "{" + std::to_string(piece.s64LCN) + "," + std::to_string(piece.s32Count) + "," +
                std::to_string(piece.eType) + "}";
    return text;
}

struct RegroupCase {
    char const* pszName;
    std::vector<DataRun> runs;
    Pieces expected;
};

class RegroupTest : public ::testing::TestWithParam<RegroupCase> {};

TEST_P(RegroupTest, CutsRunsIntoUnitPieces) {
    Pieces const pieces = ReGroupCompressDataRunList(GetParam().runs, 1 << 20);
    EXPECT_EQ(Describe(pieces), Describe(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RegroupTest,
    ::testing::Values(
        RegroupCase{"CompressedThenSparseUnit",
                    {{100, 3}, {-1, 13}, {-1, 16}},
                    {{100, 3, COMPRESSED_UNIT}, {-1, 13, COMPRESSED_UNIT}, {-1, 16, SPARSE_UNIT}}},
        RegroupCase{"FinalStoredPiece", {{200, 21}}, {{200, 16, NONECOMPRESSED_UNIT}, {216, 5, NONECOMPRESSED_UNIT}}},
        RegroupCase{"StoredPieceCompletesUnitWithHole",
                    {{10, 3}, {-1, 2}, {50, 11}},
                    {{10, 3, NONECOMPRESSED_UNIT}, {-1, 2, NONECOMPRESSED_UNIT}, {50, 11, NONECOMPRESSED_UNIT}}},
        RegroupCase{"IncompleteLastUnit", {{10, 3}, {-1, 2}}, {{10, 3, NONECOMPRESSED_UNIT}, {-1, 2, COMPRESSED_UNIT}}},
        RegroupCase{
            "LongSparseRunAcrossUnits",
            {{10, 3}, {-1, 40}},
            {{10, 3, COMPRESSED_UNIT}, {-1, 13, COMPRESSED_UNIT}, {-1, 16, SPARSE_UNIT}, {-1, 11, COMPRESSED_UNIT}}},
        RegroupCase{"NonPositiveLengthEndsTheList", {{10, 16}, {40, -5}, {60, 16}}, {{10, 16, NONECOMPRESSED_UNIT}}},
        RegroupCase{"EmptyList", {}, {}}),
    [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(CompressUnitsTest, RegroupingIsBoundedByTheClustersAsked) {
    std::vector<DataRun> const runs = {{1, std::int64_t{1} << 40}};
    EXPECT_EQ(ReGroupCompressDataRunList(runs, 64).size(), 4u);
    EXPECT_EQ(ReGroupCompressDataRunList(runs, 65).size(), 5u);
    EXPECT_TRUE(ReGroupCompressDataRunList(runs, 0).empty());
}

TEST(CompressUnitsTest, SeekStartsAtTheUnitsFirstCluster) {
    std::vector<DataRun> const runs = {{100, 20}, {-1, 12}, {300, 16}};
    CCompressUnits units(runs);
    CCompressUnits::UnitPieces pieces;
    ASSERT_TRUE(units.Seek(1));
    ASSERT_EQ(units.NextUnit(pieces), 2u);
    EXPECT_EQ(pieces[0].s64LCN, 116);
    EXPECT_EQ(pieces[0].s32Count, 4);
    EXPECT_EQ(pieces[0].eType, COMPRESSED_UNIT);
    ASSERT_TRUE(units.Seek(2));
    ASSERT_EQ(units.NextUnit(pieces), 1u);
    EXPECT_EQ(pieces[0].s64LCN, 300);
    EXPECT_EQ(units.NextUnit(pieces), 0u);
    EXPECT_FALSE(units.Seek(3));
    EXPECT_FALSE(units.Seek(-1));
    EXPECT_FALSE(units.Seek(std::int64_t{1} << 62));
}

TEST(CompressUnitsTest, OverflowingClusterNumbersEndTheList) {
    std::vector<DataRun> const runs = {{INT64_MAX - 4, 16}};
    CCompressUnits units(runs);
    CCompressUnits::UnitPieces pieces;
    EXPECT_EQ(units.NextUnit(pieces), 0u);
}

}  // namespace
