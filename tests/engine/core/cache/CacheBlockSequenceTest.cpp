// Blocks taken in order, as the complete scan takes them: each one holds the device's sectors,
// the last one is shorter, and the read-ahead never asks the device for anything outside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

#include "RecordingDevice.h"
#include "StampedReads.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

using cachetest::AllInside;
using cachetest::ReadsStamped;

namespace {

// Takes every block in order and checks its whole content through the cache.
void ExpectBlocksStamped(CStorageDeviceWithCache& cache, unsigned u32Block, long long s64StampOffset = 0) {
    long long const s64Total = cache.GetTotalSectors();
    long long const s64Blocks = (s64Total + u32Block - 1) / u32Block;
    for (long long i = 0; i < s64Blocks; ++i) {
        ASSERT_EQ(cache.SetCurCacheBlock(i), 1) << "block " << i;
        long long const s64First = i * u32Block;
        long long const s64Count = std::min<long long>(u32Block, s64Total - s64First);
        EXPECT_TRUE(ReadsStamped(cache, s64First, s64Count, s64First + s64StampOffset)) << "block " << i;
    }
    EXPECT_EQ(cache.SetCurCacheBlock(s64Blocks), 0);
}

TEST(CacheBlockSequenceTest, ManyBlocksArriveInOrderEachReadOnce) {
    constexpr unsigned kBlock = 8;
    constexpr long long kSectors = 100 * kBlock + 3;
    auto pMemory = cachetest::MakeStampedDevice(kSectors);
    cachetest::CRecordingDevice recorder(*pMemory);
    CStorageDeviceWithCache cache(&recorder);
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    ExpectBlocksStamped(cache, kBlock);
    cache.EndCache();

    auto const reads = recorder.Reads();
    EXPECT_TRUE(AllInside(reads, kSectors));
    ASSERT_EQ(reads.size(), 101u);
    long long s64Next = 0;
    for (auto const& read : reads) {
        EXPECT_EQ(read.s64First, s64Next);
        s64Next += read.s64Count;
    }
    EXPECT_EQ(s64Next, kSectors);
    EXPECT_EQ(cache.GetReadFailure(), kResultSuccess);
    EXPECT_EQ(cache.GetUnreadableSectorCount(), 0);
}

TEST(CacheBlockSequenceTest, DeviceOfTwoAndAHalfBlocksEndsWithHalfBlock) {
    constexpr unsigned kBlock = 8;
    auto pMemory = cachetest::MakeStampedDevice(20);
    cachetest::CRecordingDevice recorder(*pMemory);
    CStorageDeviceWithCache cache(&recorder);
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    EXPECT_TRUE(cache.IsBlockInValidRange(2));
    EXPECT_FALSE(cache.IsBlockInValidRange(3));
    ExpectBlocksStamped(cache, kBlock);
    auto const reads = recorder.Reads();
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[2].s64First, 16);
    EXPECT_EQ(reads[2].s64Count, 4);
}

TEST(CacheBlockSequenceTest, PrefillQueuesOnlyTheBlocksTheDeviceHas) {
    constexpr unsigned kBlock = 8;
    auto pMemory = cachetest::MakeStampedDevice(2 * kBlock);
    cachetest::CRecordingDevice recorder(*pMemory);
    CStorageDeviceWithCache cache(&recorder);
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    // Queued synchronously by BeginCache, so the count is exact here.
    auto const reads = recorder.Reads();
    EXPECT_EQ(reads.size(), 2u);
    EXPECT_TRUE(AllInside(reads, 2 * kBlock));
    ExpectBlocksStamped(cache, kBlock);
}

TEST(CacheBlockSequenceTest, DeviceSmallerThanOneBlockIsOneShortBlock) {
    auto pMemory = cachetest::MakeStampedDevice(5);
    cachetest::CRecordingDevice recorder(*pMemory);
    CStorageDeviceWithCache cache(&recorder);
    cache.SetBlockSize(8192);
    cache.BeginCache();
    ExpectBlocksStamped(cache, 8192);
    EXPECT_TRUE(AllInside(recorder.Reads(), 5));
}

TEST(CacheBlockSequenceTest, PartitionWindowDeliversItsOwnSectors) {
    // A window of 100 sectors from sector 300: no read may ask the window for more than it holds.
    auto pDisk = cachetest::MakeStampedDevice(1000);
    std::unique_ptr<IStorageDevice> pPartition(CreatePartitionDevice(pDisk.get(), 300, 100));
    ASSERT_TRUE(pPartition);
    for (unsigned u32Block : {8192u, 32u, 100u}) {
        SCOPED_TRACE(u32Block);
        cachetest::CRecordingDevice recorder(*pPartition);
        CStorageDeviceWithCache cache(&recorder);
        cache.SetBlockSize(u32Block);
        cache.BeginCache();
        ExpectBlocksStamped(cache, u32Block, 300);
        EXPECT_TRUE(AllInside(recorder.Reads(), 100));
        EXPECT_EQ(cache.GetReadFailure(), kResultSuccess);
    }
}

TEST(CacheBlockSequenceTest, FourKibSectorsAreServedWhole) {
    constexpr unsigned kBlock = 4;
    auto pMemory = cachetest::MakeStampedDevice(30, 4096);
    CStorageDeviceWithCache cache(pMemory.get());
    EXPECT_EQ(cache.GetSectorSize(), 4096);
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    ExpectBlocksStamped(cache, kBlock);
}

TEST(CacheBlockSequenceTest, StartingPastTheFirstBlockSkipsTheEarlierOnes) {
    constexpr unsigned kBlock = 8;
    auto pMemory = cachetest::MakeStampedDevice(30 * kBlock);
    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    for (long long i = 12; i < 30; ++i) {
        ASSERT_EQ(cache.SetCurCacheBlock(i), 1) << "block " << i;
        EXPECT_TRUE(ReadsStamped(cache, i * kBlock, kBlock));
    }
}

}  // namespace

TEST(CacheBlockSequenceTest, LongScanReusesTheBuffersOfItsFirstBlocks) {
    // Searchers hold the blocks they work on, some blocks apart: the buffers they let go take
    // the next blocks, so a scan many times longer than its blocks in flight allocates no more.
    // Blocks only made current hold no buffer: with one block held the cache needs few.
    constexpr unsigned kBlock = 8;
    constexpr long long kBlocks = 400;
    for (std::size_t heldBySearchers : {std::size_t{12}, std::size_t{1}}) {
        auto pMemory = cachetest::MakeStampedDevice(kBlocks * kBlock);
        CStorageDeviceWithCache cache(pMemory.get());
        cache.SetBlockSize(kBlock);
        cache.BeginCache();
        std::deque<ICompleteFileSystemSearchController::SharedBlock> held;
        for (long long i = 0; i < kBlocks; ++i) {
            ASSERT_EQ(cache.SetCurCacheBlock(i), 1) << "block " << i;
            held.push_back(cache.CurrentSharedBlock());
            if (held.size() > heldBySearchers) held.pop_front();
            ASSERT_TRUE(testsupport::IsStamped(
                std::vector<std::uint8_t>(held.back().bytes.Data(), held.back().bytes.Data() + kBlock * 512),
                static_cast<std::uint64_t>(i) * kBlock * 512 / testsupport::kStampUnit))
                << "block " << i;
        }
        cache.EndCache();
        // At most the reader's queue, the block it fills, the one being taken and those held: how
        // soon the reader gets that far ahead depends on the threads, so only the bound is certain.
        EXPECT_LE(cache.GetBuffersMade(), CStorageDeviceWithCache::kQueueLimit + heldBySearchers + 2)
            << heldBySearchers << " held";
    }
}
