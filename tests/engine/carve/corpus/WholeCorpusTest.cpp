// The whole carving corpus on one device: a file of every type the analysers produce, from
// every sample family, in random sectors, spread over more blocks than the search's ring holds
// and laid across block boundaries, carved in one search at 512- and 4,096-byte sectors. Each
// comes out in its folder, under its name, sized by its rule and byte-exact (SHA-256): the
// analysers do not disturb one another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CorpusFamilies.h"
#include "CorpusRun.h"
#include "support/TempDir.h"

namespace corpustest {
namespace {

constexpr std::uint64_t kDeviceBytes = 22 * std::uint64_t{0x400000};  // the ring holds 20 blocks
constexpr std::uint64_t kSpreadBytes = 20 * std::uint64_t{0x400000};

class WholeCorpusTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(WholeCorpusTest, EveryFileOfEveryFamilyIsCarvedWhole) {
    testsupport::TempDir dir;
    std::vector<CarvedSample> samples;
    for (CorpusFamily const& family : CorpusFamilies()) {
        std::string const missing = family.missingTools();
        if (!missing.empty()) GTEST_SKIP() << family.pszName << ": " << missing;
        std::string const folder = dir.File(family.pszName);
        ASSERT_EQ(testsupport::RunCommand("mkdir -p " + folder), 0);
        std::string error;
        ASSERT_TRUE(family.make(folder, samples, error)) << family.pszName << ": " << error;
    }
    std::vector<Placement> const placements = SpreadOver(samples, kSpreadBytes);
    CarveAndCheck(samples, placements, RoomFor(samples, placements, kDeviceBytes), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Sectors, WholeCorpusTest, testing::Values(512u, 4096u),
                         [](testing::TestParamInfo<std::uint32_t> const& param) {
                             return "Sector" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace corpustest
