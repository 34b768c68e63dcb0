// The signature search's ring and pending queue, over devices with planted test files: where
// each file is sized (at once, from the ring, at the end) and that its size comes out right
// whether its bytes are served by the ring, by the device, or both.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "PlantedDevice.h"
#include "SearchRun.h"
#include "TestAnalyser.h"
#include "engine/FileNode.h"
#include "engine/IDataRunList.h"

namespace carvetest {
namespace {

constexpr std::uint32_t kFourMiB = 0x400000;

enum class Kind { Sized, Walked, Unsizable, SizedButFailing };

struct Plant {
    std::uint64_t u64Sector;
    Kind eKind;
    std::uint64_t u64Amount;  // bytes for Sized and SizedButFailing, sectors for Walked
};

struct Scenario {
    std::string name;
    std::uint32_t u32SectorSize;
    std::uint64_t u64Blocks;
    bool bRandom;
    std::vector<Plant> plants;
    long long s64FailingBlock;  // -1: none
    CRAWSearchController::Statistics expected;
};

using Carved = std::set<std::tuple<std::uint64_t, long long>>;  // start sector, size

Carved CarvedFiles(testkit::RecordingTreeBuilder const& builder) {
    Carved carved;
    for (IFileNode* pFile : builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        DataRun const* pRun =
            pNode != nullptr && pNode->GetDataRunList() ? pNode->GetDataRunList()->GetFirst() : nullptr;
        if (pRun != nullptr) carved.emplace(static_cast<std::uint64_t>(pRun->s64Start), pFile->GetFileSize());
    }
    return carved;
}

class RawSearchRingTest : public testing::TestWithParam<Scenario> {};

TEST_P(RawSearchRingTest, SizesEveryPlantedFileWhereExpected) {
    Scenario const& scenario = GetParam();
    TestAnalyserScope const analyser;
    std::uint32_t const u32SectorsPerBlock = kFourMiB / scenario.u32SectorSize;
    CPlantedDevice device(scenario.u64Blocks * u32SectorsPerBlock, scenario.u32SectorSize, scenario.bRandom);
    Carved expected;
    for (Plant const& plant : scenario.plants) {
        std::vector<std::uint8_t> bytes;
        switch (plant.eKind) {
            case Kind::Sized:
                bytes = MakeSizedFile(static_cast<std::uint32_t>(plant.u64Amount));
                break;
            case Kind::Walked:
                bytes = MakeWalkedFile(plant.u64Amount, scenario.u32SectorSize);
                break;
            case Kind::Unsizable:
                bytes = MakeUnsizableFile();
                break;
            case Kind::SizedButFailing:
                bytes = MakeSizedButFailingFile(static_cast<std::uint32_t>(plant.u64Amount));
                break;
        }
        if (plant.eKind != Kind::Unsizable) {
            long long const s64Size = plant.eKind == Kind::Walked ? static_cast<long long>(bytes.size())
                                                                  : static_cast<long long>(plant.u64Amount);
            bool const bInFailedBlock =
                scenario.s64FailingBlock >= 0 &&
                plant.u64Sector / u32SectorsPerBlock == static_cast<std::uint64_t>(scenario.s64FailingBlock);
            if (!bInFailedBlock) expected.emplace(plant.u64Sector, s64Size);
        }
        device.Plant(plant.u64Sector * scenario.u32SectorSize, std::move(bytes));
    }
    if (scenario.s64FailingBlock >= 0) {
        long long const s64BlockStart = scenario.s64FailingBlock * u32SectorsPerBlock;
        // Only the block read of the scan fails: a later read of the same sectors succeeds.
        device.SetFailingReads([=](long long s64First, long long s64Count) {
            return s64First == s64BlockStart && s64Count == u32SectorsPerBlock;
        });
    }

    SearchRun run;
    RunSearch(run, device, u32SectorsPerBlock);

    EXPECT_EQ(CarvedFiles(run.builder), expected);
    CRAWSearchController::Statistics const& statistics = run.pController->GetStatistics();
    EXPECT_EQ(statistics.u64FiledAtOnce, scenario.expected.u64FiledAtOnce);
    EXPECT_EQ(statistics.u64SizedFromRing, scenario.expected.u64SizedFromRing);
    EXPECT_EQ(statistics.u64SizedAtEnd, scenario.expected.u64SizedAtEnd);
    EXPECT_EQ(statistics.u64Dropped, scenario.expected.u64Dropped);
}

constexpr std::uint64_t kBlock512 = kFourMiB / 512;
constexpr std::uint64_t kBlock4096 = kFourMiB / 4096;

std::vector<Scenario> Scenarios() {
    std::vector<Plant> const straddling = {{kBlock512 - 10, Kind::Walked, 40}, {kBlock512 + 100, Kind::Sized, 5000}};
    std::vector<Plant> const longFile = {{5, Kind::Walked, 25 * kBlock512}};
    return {
        {"StraddlesBlockBoundary", 512, 24, false, straddling, -1, {1, 1, 0, 0}},
        {"StraddlesBlockBoundaryInRandomBytes", 512, 24, true, straddling, -1, {1, 1, 0, 0}},
        {"EndsTwentyFiveBlocksLaterThroughTheDevice", 512, 28, false, longFile, -1, {0, 1, 0, 0}},
        {"EndsTwentyFiveBlocksLaterInRandomBytes", 512, 28, true, longFile, -1, {0, 1, 0, 0}},
        {"FewerThanTwentyBlocksSizesAllAtTheEnd",
         512,
         5,
         false,
         {{3, Kind::Walked, 10}, {kBlock512 * 2 + 7, Kind::Walked, kBlock512}, {kBlock512 * 4, Kind::Sized, 777}},
         -1,
         {1, 0, 2, 0}},
        {"TwoFilesInOneBlockFiledAtOnce",
         512,
         3,
         false,
         {{10, Kind::Sized, 1000}, {20, Kind::Sized, 2000}},
         -1,
         {2, 0, 0, 0}},
        {"UnsizableFileIsDroppedWithoutHoldingBackTheNext",
         512,
         22,
         false,
         {{3, Kind::Unsizable, 0}, {10, Kind::Walked, 50}},
         -1,
         {0, 1, 0, 1}},
        // The size a sizing leaves decides, in the ring pass and at the end alike.
        {"SizeLeftByAFailedSizingIsFiledFromTheRingAndAtTheEnd",
         512,
         22,
         false,
         {{3, Kind::SizedButFailing, 3000}, {21 * kBlock512 + 4, Kind::SizedButFailing, 7000}},
         -1,
         {0, 1, 1, 0}},
        {"FailedBlockReadKeepsTheRingInStep",
         512,
         26,
         false,
         {{2 * kBlock512 + 5, Kind::Walked, 2 * kBlock512},
          {3 * kBlock512 + 5, Kind::Sized, 4096},
          {5 * kBlock512 + 9, Kind::Walked, 300}},
         3,
         {0, 2, 0, 0}},
        {"SectorSize4096",
         4096,
         22,
         false,
         {{kBlock4096 - 2, Kind::Walked, 5},
          {kBlock4096 + 5, Kind::Sized, 9000},
          {21 * kBlock4096 + 1, Kind::Walked, 4}},
         -1,
         {1, 1, 1, 0}},
    };
}

INSTANTIATE_TEST_SUITE_P(Scenarios, RawSearchRingTest, testing::ValuesIn(Scenarios()),
                         [](testing::TestParamInfo<Scenario> const& param) { return param.param.name; });

TEST(RawSearchRingReadsTest, FilesWhollyInsideTheRingCauseNoDeviceReadWhileSizing) {
    TestAnalyserScope const analyser;
    std::uint64_t const u64Blocks = 23;
    CPlantedDevice device(u64Blocks * kBlock512, 512);
    device.Plant(7 * 512, MakeWalkedFile(3 * kBlock512, 512));
    device.Plant((kBlock512 + 1) * 512, MakeWalkedFile(100, 512));

    SearchRun run;
    RunSearch(run, device, kBlock512);

    EXPECT_EQ(run.pController->GetStatistics().u64SizedFromRing, 2u);
    EXPECT_EQ(device.ReadCount(), u64Blocks);  // the block reads of the scan, nothing else
    EXPECT_EQ(run.pController->GetRing().GetDeviceReads(), 0u);
    EXPECT_GT(run.pController->GetRing().GetMemoryReads(), 0u);
}

TEST(RawSearchRingReadsTest, RingLetsGoOfTheBlocksBeforeEveryFileStillToBeSized) {
    // Their buffers go back to the scan's reading; the file's own blocks stay for its sizing.
    TestAnalyserScope const analyser;
    std::uint64_t const u64Blocks = 24;
    std::uint64_t const u64FileStart = 3 * kBlock512 + 5;
    CPlantedDevice device(u64Blocks * kBlock512, 512, true);
    std::vector<std::uint8_t> file = MakeWalkedFile(2 * kBlock512, 512);
    auto const s64FileSize = static_cast<long long>(file.size());
    device.Plant(u64FileStart * 512, std::move(file));
    SearchRun run;
    CRAWSearchController& controller = *run.pController;
    controller.SetDevice(&device);
    controller.SetBlockSize(static_cast<int>(kBlock512));
    controller.SetDirecotryTreeBuilder(&run.builder);
    ASSERT_EQ(controller.PreparetoSearch(), kResultSuccess);
    auto const held = [&](std::uint64_t u64Block) {
        auto const block = controller.GetRing().BlockHolding(u64Block * kBlock512);
        return block && !block->bytes.Empty();
    };
    for (std::uint64_t b = 0; b < 8; ++b) controller.AnalyzeBlock(static_cast<long long>(b * kBlock512), kBlock512);
    EXPECT_EQ(controller.GetRing().GetDeviceStartSector(), 0u);  // the ring's places are kept
    for (std::uint64_t b = 0; b < 8; ++b) EXPECT_EQ(held(b), b >= 3) << "block " << b;

    for (std::uint64_t b = 8; b < u64Blocks; ++b)
        controller.AnalyzeBlock(static_cast<long long>(b * kBlock512), kBlock512);
    controller.EndSearch(1);
    EXPECT_EQ(FiledFiles(run.builder),
              (std::vector<std::tuple<std::uint64_t, long long>>{{u64FileStart, s64FileSize}}));
    EXPECT_FALSE(held(u64Blocks - 1));  // nothing left to size: random bytes keep no block
}

}  // namespace
}  // namespace carvetest
