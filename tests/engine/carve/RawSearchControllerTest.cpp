// The signature search's controller around the ring: how far the pending queue may grow, which
// block counts it refuses, and that it hands the progress sink back when it goes.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlantedDevice.h"
#include "TestAnalyser.h"
#include "engine/carve/NotifyCenter.h"
#include "engine/carve/RAWSearchController.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace carvetest {
namespace {

constexpr std::uint32_t kSectorsPerBlock = 16;

TEST(RawSearchControllerTest, PendingFilesStayWithinTheRingsBlocksWhenNoneCanBeSized) {
    TestAnalyserScope const analyser;
    constexpr std::uint64_t kBlocks = 30;
    CPlantedDevice device(kBlocks * kSectorsPerBlock, 512);
    for (std::uint64_t u64Sector = 0; u64Sector < kBlocks * kSectorsPerBlock; ++u64Sector)
        device.Plant(u64Sector * 512, MakeUnsizableFile());
    testkit::RecordingTreeBuilder builder(SEARCHER_TYPE_RAW);
    CRAWSearchController controller;
    controller.SetDevice(&device);
    controller.SetBlockSize(kSectorsPerBlock);
    controller.SetDirecotryTreeBuilder(&builder);
    ASSERT_EQ(controller.PreparetoSearch(), kResultSuccess);
    for (std::uint64_t u64Block = 0; u64Block < kBlocks; ++u64Block) {
        ASSERT_EQ(controller.AnalyzeBlock(static_cast<long long>(u64Block * kSectorsPerBlock), kSectorsPerBlock),
                  kResultSuccess);
        // Every sector starts a file; those of the block leaving the ring are dropped at once.
        std::uint64_t const u64Found = (u64Block + 1) * kSectorsPerBlock;
        std::uint64_t const u64Pending = u64Found - controller.GetStatistics().u64Dropped;
        EXPECT_EQ(u64Pending,
                  std::min<std::uint64_t>(u64Block + 1, CRAWSearchController::kRingBlocks) * kSectorsPerBlock)
            << "after block " << u64Block;
    }
    controller.EndSearch(1);
    EXPECT_EQ(controller.GetStatistics().u64Dropped, kBlocks * kSectorsPerBlock);
    EXPECT_TRUE(builder.Files().empty());
}

TEST(RawSearchControllerTest, RefusesBlocksLongerThanTheBlockSizeAndExaminesNothingOfThem) {
    TestAnalyserScope const analyser;
    CPlantedDevice device(4 * kSectorsPerBlock, 512);
    device.Plant(3 * 512, MakeSizedFile(1000));
    testkit::RecordingTreeBuilder builder(SEARCHER_TYPE_RAW);
    CRAWSearchController controller;
    controller.SetDevice(&device);
    controller.SetBlockSize(kSectorsPerBlock);
    controller.SetDirecotryTreeBuilder(&builder);
    ASSERT_EQ(controller.PreparetoSearch(), kResultSuccess);
    EXPECT_TRUE(Failed(controller.AnalyzeBlock(0, kSectorsPerBlock + 1)));
    EXPECT_TRUE(Failed(controller.AnalyzeBlock(-1, kSectorsPerBlock)));
    EXPECT_TRUE(Failed(controller.AnalyzeBlock(0, 0)));
    EXPECT_EQ(device.ReadCount(), 0u);
    EXPECT_EQ(controller.GetStatistics().u64FiledAtOnce, 0u);
    EXPECT_EQ(controller.AnalyzeBlock(0, kSectorsPerBlock), kResultSuccess);
    EXPECT_EQ(controller.GetStatistics().u64FiledAtOnce, 1u);
    controller.EndSearch(0);
}

TEST(RawSearchControllerTest, DestructorForgetsTheSinkItSetButNotALaterOne) {
    CNotifyCenter& center = CNotifyCenter::Instance();
    testkit::ProgressSink first;
    testkit::ProgressSink second;
    {
        CRAWSearchController controller;
        controller.SetIProgressSink(&first);
        EXPECT_EQ(center.GetProgress(), &first);
    }
    EXPECT_EQ(center.GetProgress(), nullptr);

    auto pEarlier = std::make_unique<CRAWSearchController>();
    pEarlier->SetIProgressSink(&first);
    {
        CRAWSearchController later;
        later.SetIProgressSink(&second);
        pEarlier.reset();
        EXPECT_EQ(center.GetProgress(), &second);
    }
    EXPECT_EQ(center.GetProgress(), nullptr);
}

}  // namespace
}  // namespace carvetest
