// Mapping pairs as NTFS writes them, at the widths where decoders break: fields of 5 to 8
// bytes (volumes past 2^31 clusters), negative offsets, sparse pairs, and lists that overflow.
#include <gtest/gtest.h>

#include "engine/DataRunList.h"
#include "engine/ntfs/NTFSPackedRuns.h"
#include "engine/ntfs/ondisk/NTFSAttribute.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

namespace {

struct PairsCase {
    char const* pszName;
    std::vector<std::uint8_t> pairs;
    bool bValid;
    std::vector<CDataRun> runs;  // {LCN, VCN, count}
};

class NtfsMappingPairs : public ::testing::TestWithParam<PairsCase> {};

TEST_P(NtfsMappingPairs, Decode) {
    PairsCase const& c = GetParam();
    engine::ByteView const pairs(c.pairs.data(), c.pairs.size());
    EXPECT_EQ(CNTFSDataRunList::IsValid(pairs), c.bValid);
    CNTFSDataRunList list;
    EXPECT_EQ(list.InitFromBuffer(pairs), c.bValid);
    EXPECT_EQ(list.Runs(), c.runs);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, NtfsMappingPairs,
    ::testing::Values(
        PairsCase{"Empty", {0x00}, true, {}},
        PairsCase{"FiveByteOffset", {0x51, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}, true, {{0x100000000, 0, 4}}},
        PairsCase{"EightByteFields",
                  {0x88, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0x00},
                  true,
                  {{0x0010000000000000, 0, 1}}},
        PairsCase{"NineByteOffsetRefused", {0x91, 0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}, false, {}},
        PairsCase{"NegativeOneByte", {0x11, 0x02, 0x10, 0x11, 0x03, 0xFF, 0x00}, true, {{16, 0, 2}, {15, 2, 3}}},
        PairsCase{"NegativeFourBytes",
                  {0x41, 1, 0, 0, 0, 1, 0x41, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
                  true,
                  {{0x01000000, 0, 1}, {0x00FFFFFF, 1, 1}}},
        PairsCase{"SparseKeepsRunningLcn",
                  {0x11, 0x02, 0x20, 0x01, 0x05, 0x11, 0x01, 0x04, 0x00},
                  true,
                  {{32, 0, 2}, {-1, 2, 5}, {36, 7, 1}}},
        PairsCase{"OffsetBelowClusterZero", {0x11, 0x01, 0xFF, 0x00}, false, {}},
        PairsCase{"PairCutByTheBuffer", {0x31, 0x01, 0x10}, false, {}},
        PairsCase{"ZeroWidthCount", {0x10, 0x05, 0x00}, false, {}},
        PairsCase{"VcnOverflow",
                  {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                   0x7F, 0x00},
                  false,
                  {}}),
    [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// A hole between two runs: the third run's start is relative to the first, not to the hole.
TEST(NtfsPackedRunsTest, PacksToFewestBytesAndUnpacksTheSameRuns) {
    CDataRunList list;
    for (DataRun const run : {DataRun{100, 8}, DataRun{-1, 16}, DataRun{90, 4}}) list.AddDataRun(&run);
    auto const packed = CCompressedDataRunList::Pack(list);
    ASSERT_TRUE(packed.has_value());
    EXPECT_EQ(packed->Pairs(), (std::vector<std::uint8_t>{0x11, 0x08, 0x64, 0x01, 0x10, 0x11, 0x04, 0xF6, 0x00}));
    ReleasePtr<IDataRunList> const pUnpacked = packed->Unpack();
    ASSERT_TRUE(pUnpacked);
    std::vector<std::pair<long long, long long>> runs;
    for (DataRun const* pRun = pUnpacked->GetFirst(); pRun != nullptr; pRun = pUnpacked->GetNext())
        runs.emplace_back(pRun->s64Start, pRun->s64Length);
    EXPECT_EQ(runs, (std::vector<std::pair<long long, long long>>{{100, 8}, {-1, 16}, {90, 4}}));
    EXPECT_EQ(CCompressedDataRunList::GetNeedBytes(-129), 2);
    EXPECT_EQ(CCompressedDataRunList::GetNeedBytes(INT64_MIN), 8);
}

TEST(NtfsClusterEstimateTest, RoundsUpToAPowerOfTwoUpTo128) {
    EXPECT_EQ(EstimateSectorsPerCluster(3 * 512, 2, 512), 2u);  // 1.5 sectors
    EXPECT_EQ(EstimateSectorsPerCluster(100 * 512, 1, 512), 128u);
    EXPECT_EQ(EstimateSectorsPerCluster(129 * 512, 1, 512), 0u);
    EXPECT_EQ(EstimateSectorsPerCluster(8 * 4096, 1, 4096), 8u);  // the scan's own sector size
    EXPECT_EQ(EstimateSectorsPerCluster(8 * 512, 1, 1000), 8u);   // not a multiple of 512: 512
    EXPECT_EQ(EstimateSectorsPerCluster(0, 1, 512), 0u);
}

}  // namespace
