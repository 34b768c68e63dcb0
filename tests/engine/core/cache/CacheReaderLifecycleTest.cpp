// Starting and stopping the reader: nothing read without BeginCache, no wait that can hang, and
// EndCache and destruction safe in any order. These cases are the ones to run under the
// thread and address sanitizers.
#include <gtest/gtest.h>

#include <memory>

#include "RecordingDevice.h"
#include "StampedReads.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

using cachetest::ReadsStamped;

namespace {

constexpr unsigned kBlock = 8;

TEST(CacheReaderLifecycleTest, WithoutBeginCacheNothingIsReadAhead) {
    auto pMemory = cachetest::MakeStampedDevice(40);
    cachetest::CRecordingDevice recorder(*pMemory);
    {
        CStorageDeviceWithCache cache(&recorder);
        cache.SetBlockSize(kBlock);
        EXPECT_TRUE(cache.IsNeedCatchBuffer());
        EXPECT_EQ(cache.SetCurCacheBlock(0), 0);  // no reader to wait for
    }
    EXPECT_TRUE(recorder.Reads().empty());
}

TEST(CacheReaderLifecycleTest, EndCacheWhileReaderWaitsEndsItWithoutFurtherReads) {
    auto pMemory = cachetest::MakeStampedDevice(40 * kBlock);
    cachetest::CRecordingDevice recorder(*pMemory);
    CStorageDeviceWithCache cache(&recorder);
    cache.SetBlockSize(kBlock);
    cache.BeginCache();  // the queue is full: the reader waits for a place
    cache.EndCache();
    EXPECT_EQ(recorder.Reads().size(), CStorageDeviceWithCache::kQueueLimit);
    EXPECT_TRUE(cache.IsNeedCatchBuffer());
    EXPECT_EQ(cache.SetCurCacheBlock(0), 0);
    cache.EndCache();
}

TEST(CacheReaderLifecycleTest, BlocksAskedAfterReaderFinishedDoNotWait) {
    auto pMemory = cachetest::MakeStampedDevice(3 * kBlock);
    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();  // queues all three blocks; the reader has nothing left and ends
    for (long long i = 0; i < 3; ++i) ASSERT_EQ(cache.SetCurCacheBlock(i), 1);
    EXPECT_EQ(cache.SetCurCacheBlock(2), 1);  // still current
    EXPECT_EQ(cache.SetCurCacheBlock(1), 0);  // already passed: it will never be queued again
    EXPECT_TRUE(ReadsStamped(cache, 16, kBlock));
}

TEST(CacheReaderLifecycleTest, BlocksAskedAfterEndCacheDoNotWait) {
    auto pMemory = cachetest::MakeStampedDevice(40 * kBlock);
    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    ASSERT_EQ(cache.SetCurCacheBlock(0), 1);
    cache.EndCache();
    EXPECT_EQ(cache.SetCurCacheBlock(1), 0);
    EXPECT_TRUE(ReadsStamped(cache, 0, kBlock));  // the current block stays loaded
}

TEST(CacheReaderLifecycleTest, BeginCacheAgainStartsOverFromTheFirstBlock) {
    auto pMemory = cachetest::MakeStampedDevice(25 * kBlock);
    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    for (long long i = 0; i < 5; ++i) ASSERT_EQ(cache.SetCurCacheBlock(i), 1);
    cache.BeginCache();
    for (long long i = 0; i < 25; ++i) {
        ASSERT_EQ(cache.SetCurCacheBlock(i), 1) << "block " << i;
        EXPECT_TRUE(ReadsStamped(cache, i * kBlock, kBlock));
    }
}

TEST(CacheReaderLifecycleTest, ManyShortScansStartAndStopCleanly) {
    auto pMemory = cachetest::MakeStampedDevice(30 * kBlock + 5);
    for (int iCycle = 0; iCycle < 300; ++iCycle) {
        CStorageDeviceWithCache cache(pMemory.get());
        cache.SetBlockSize(kBlock);
        cache.BeginCache();
        long long const s64Consumed = iCycle % 32;  // from none to past the last block
        for (long long i = 0; i < s64Consumed; ++i) {
            int const iLoaded = cache.SetCurCacheBlock(i);
            ASSERT_EQ(iLoaded, i <= 30 ? 1 : 0) << "cycle " << iCycle << " block " << i;
            if (iLoaded) {
                ASSERT_TRUE(ReadsStamped(cache, i * kBlock, i < 30 ? kBlock : 5));
            }
        }
        switch (iCycle % 3) {
            case 0:
                cache.EndCache();
                break;
            case 1:
                cache.EndCache();
                cache.EndCache();
                break;
            default:
                break;  // the destructor stops the reader
        }
    }
}

}  // namespace
