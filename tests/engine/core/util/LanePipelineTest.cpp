// The pipeline the complete scan runs its searchers on: every lane takes every item in order,
// lanes run apart by at most the window, and one thread runs item by item in lane order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/util/LanePipeline.h"

namespace {

using Pipeline = engine::LanePipeline<int>;

/// What the lanes took, each lane's in order, and the order of all takes.
struct Takes {
    std::mutex lock;
    std::vector<std::vector<int>> byLane;
    std::vector<std::string> all;

    explicit Takes(std::size_t lanes) : byLane(lanes) {}
    void Note(std::size_t lane, int item) {
        std::lock_guard guard(lock);
        byLane[lane].push_back(item);
        all.push_back(std::to_string(lane) + ":" + std::to_string(item));
    }
    std::size_t Count(std::size_t lane) {
        std::lock_guard guard(lock);
        return byLane[lane].size();
    }
};

std::vector<Pipeline::Lane> NotingLanes(Takes& takes, std::size_t lanes) {
    std::vector<Pipeline::Lane> out;
    for (std::size_t lane = 0; lane < lanes; ++lane)
        out.emplace_back([&takes, lane](int const& item) { takes.Note(lane, item); });
    return out;
}

TEST(LanePipelineTest, OneThreadRunsEveryLaneOfAnItemInLaneOrderBeforeTheNext) {
    Takes takes(3);
    Pipeline pipeline(NotingLanes(takes, 3), 1, 4);
    for (int item = 0; item < 3; ++item) pipeline.Push(item);
    pipeline.Finish();
    EXPECT_EQ(takes.all, (std::vector<std::string>{"0:0", "1:0", "2:0", "0:1", "1:1", "2:1", "0:2", "1:2", "2:2"}));
}

TEST(LanePipelineTest, QuickLanesRunAheadOfASlowOneByTheWindowAtMostAndEveryLaneTakesEveryItemInOrder) {
    constexpr std::size_t kWindow = 3;
    constexpr int kItems = 12;
    Takes takes(3);
    std::mutex gateLock;
    std::condition_variable gateOpened;
    bool bOpen = false;
    std::vector<Pipeline::Lane> lanes = NotingLanes(takes, 3);
    // Lane 0 is held on its first item until the test opens the gate.
    lanes[0] = [&](int const& item) {
        std::unique_lock lock(gateLock);
        gateOpened.wait(lock, [&] { return bOpen; });
        takes.Note(0, item);
    };
    Pipeline pipeline(std::move(lanes), 4, kWindow);
    std::atomic<int> pushed{0};
    std::thread producer([&] {
        for (int item = 0; item < kItems; ++item, ++pushed) pipeline.Push(item);
    });
    // The quick lanes take the window's items while the slow one holds the first...
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((takes.Count(1) < kWindow || takes.Count(2) < kWindow) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // ...and no more: the producer waits for room.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(takes.Count(1), kWindow);
    EXPECT_EQ(takes.Count(2), kWindow);
    EXPECT_EQ(pushed.load(), static_cast<int>(kWindow));
    {
        std::lock_guard lock(gateLock);
        bOpen = true;
    }
    gateOpened.notify_all();
    producer.join();
    pipeline.Finish();
    std::vector<int> all(kItems);
    for (int item = 0; item < kItems; ++item) all[static_cast<std::size_t>(item)] = item;
    for (std::size_t lane = 0; lane < 3; ++lane) EXPECT_EQ(takes.byLane[lane], all) << lane;
}

TEST(LanePipelineTest, ALaneThatThrowsIsReportedToTheCaller) {
    Takes takes(2);
    std::vector<Pipeline::Lane> lanes = NotingLanes(takes, 2);
    lanes[1] = [](int const& item) {
        if (item == 1) throw std::runtime_error("lane failed");
    };
    Pipeline pipeline(std::move(lanes), 2, 2);
    bool bThrown = false;
    try {
        for (int item = 0; item < 6; ++item) pipeline.Push(item);
        pipeline.Finish();
    } catch (std::runtime_error const&) {
        bThrown = true;
    }
    EXPECT_TRUE(bThrown);
    // What the other lane took, it took in order.
    for (std::size_t i = 0; i < takes.byLane[0].size(); ++i) EXPECT_EQ(takes.byLane[0][i], static_cast<int>(i));
}

}  // namespace
