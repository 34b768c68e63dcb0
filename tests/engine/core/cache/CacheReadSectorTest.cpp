// Where a read through the cache gets its sectors: the blocks made current last from memory
// while someone holds them, everything else from the wrapped device. Only the reads of the test's
// own thread are counted, never the reader's.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "RecordingDevice.h"
#include "StampedReads.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

using cachetest::ReadsStamped;
using cachetest::ReadThrough;

namespace {

class CacheReadSectorTest : public ::testing::Test {
protected:
    static constexpr unsigned kBlock = 8;

    void Start(long long s64Sectors) {
        m_pMemory = cachetest::MakeStampedDevice(s64Sectors);
        m_pRecorder = std::make_unique<cachetest::CRecordingDevice>(*m_pMemory);
        m_pCache = std::make_unique<CStorageDeviceWithCache>(m_pRecorder.get());
        ASSERT_EQ(m_pCache->SetBlockSize(kBlock), 1);
        m_pCache->BeginCache();
    }
    /// Makes blocks 0 to `s64Last` current in turn and holds each, as the searchers hold the
    /// blocks they work on.
    void LoadBlocksUpTo(long long s64Last) {
        for (long long i = 0; i <= s64Last; ++i) {
            ASSERT_EQ(m_pCache->SetCurCacheBlock(i), 1) << "block " << i;
            m_held.push_back(m_pCache->CurrentSharedBlock());
        }
        m_pRecorder->Forget();
    }
    std::vector<cachetest::RecordedRead> DeviceReads() const { return m_pRecorder->ReadsFromThisThread(); }

    std::unique_ptr<CMemoryDevice> m_pMemory;
    std::unique_ptr<cachetest::CRecordingDevice> m_pRecorder;
    std::unique_ptr<CStorageDeviceWithCache> m_pCache;
    std::vector<ICompleteFileSystemSearchController::SharedBlock> m_held;  // one a block made current
};

TEST_F(CacheReadSectorTest, ReadInsideCurrentBlockComesFromMemory) {
    Start(40);
    LoadBlocksUpTo(1);
    EXPECT_TRUE(ReadsStamped(*m_pCache, 9, 6));
    EXPECT_TRUE(DeviceReads().empty());
}

TEST_F(CacheReadSectorTest, StraddlingReadTakesBlockPartFromMemoryAndRestFromDevice) {
    Start(40);
    LoadBlocksUpTo(1);
    EXPECT_TRUE(ReadsStamped(*m_pCache, 12, 8));
    auto const reads = DeviceReads();
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].s64First, 16);
    EXPECT_EQ(reads[0].s64Count, 4);
}

TEST_F(CacheReadSectorTest, ReadsOutsideTheRecentBlocksAreOneDeviceReadEachAndThoseWithinThemNone) {
    // Blocks 2 to 10 are the recent ones when block 10 is current.
    constexpr long long kRecentFirst =
        (10 + 1 - static_cast<long long>(CStorageDeviceWithCache::kRecentBlocks)) * kBlock;
    Start(12 * kBlock);
    LoadBlocksUpTo(10);
    EXPECT_TRUE(ReadsStamped(*m_pCache, 2, 5));                          // wholly before them
    EXPECT_TRUE(ReadsStamped(*m_pCache, 11 * kBlock + 1, 6));            // wholly behind them
    EXPECT_TRUE(ReadsStamped(*m_pCache, kRecentFirst - 2, 4));           // starts before them, ends inside
    EXPECT_TRUE(ReadsStamped(*m_pCache, kRecentFirst + 5, 2 * kBlock));  // across two of them
    auto const reads = DeviceReads();
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0].s64First, 2);
    EXPECT_EQ(reads[0].s64Count, 5);
    EXPECT_EQ(reads[1].s64First, 11 * kBlock + 1);
    EXPECT_EQ(reads[2].s64First, kRecentFirst - 2);
}

TEST_F(CacheReadSectorTest, ARecentBlockNobodyHoldsAnyMoreIsReadFromTheDevice) {
    // Its buffer went back to the pool and may hold another block by now.
    Start(12 * kBlock);
    LoadBlocksUpTo(10);
    m_held[9] = {};
    EXPECT_TRUE(ReadsStamped(*m_pCache, 9 * kBlock + 1, 3));
    EXPECT_TRUE(ReadsStamped(*m_pCache, 8 * kBlock + 1, 3));  // still held
    auto const reads = DeviceReads();
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].s64First, 9 * kBlock + 1);
}

TEST_F(CacheReadSectorTest, WithoutLoadedBlockEveryReadGoesToDevice) {
    Start(40);  // queued, but no block made current yet
    m_pRecorder->Forget();
    EXPECT_TRUE(ReadsStamped(*m_pCache, 0, 4));
    EXPECT_TRUE(ReadsStamped(*m_pCache, 3, 1));
    EXPECT_EQ(DeviceReads().size(), 2u);
}

TEST_F(CacheReadSectorTest, SectorsPastDeviceEndAreNotServedFromMemory) {
    Start(20);  // 2.5 blocks: block 2 holds sectors 16 to 19 only
    LoadBlocksUpTo(2);
    EXPECT_TRUE(ReadsStamped(*m_pCache, 16, 4));
    EXPECT_TRUE(DeviceReads().empty());

    // Behind the device's end the cache answers exactly as the device does.
    for (auto [s64First, s64Count] : {std::pair{20LL, 1LL}, std::pair{22LL, 2LL}, std::pair{18LL, 4LL}}) {
        std::vector<std::uint8_t> const viaCache = ReadThrough(*m_pCache, s64First, s64Count);
        std::vector<std::uint8_t> const direct = ReadThrough(*m_pMemory, s64First, s64Count);
        EXPECT_EQ(viaCache, direct) << s64Count << " sectors at " << s64First;
    }
    EXPECT_TRUE(ReadThrough(*m_pCache, 20, 1).empty());
}

TEST_F(CacheReadSectorTest, FailedDeviceReadIsPassedOn) {
    Start(40);
    LoadBlocksUpTo(0);
    m_pMemory->FailSector(12);
    std::vector<std::uint8_t> buffer(16 * 512);
    EXPECT_EQ(m_pCache->ReadSector(buffer.data(), 4, 16), 0);  // straddles into the failing sector
    EXPECT_EQ(m_pCache->ReadSector(buffer.data(), 10, 4), 0);
    EXPECT_EQ(m_pCache->GetLastError(), kResultSuccess);
}

TEST_F(CacheReadSectorTest, ReadsFromAnotherThreadWhileBlocksChangeGetTheDevicesBytes) {
    // A searcher's worker reads on while the next block becomes current: each read must come
    // whole from one block or the device, never from a buffer the reader is filling again.
    constexpr long long kSectors = 400;
    Start(kSectors);
    std::atomic<bool> bDone{false};
    std::atomic<int> iBad{0};
    std::thread worker([&] {
        for (long long s64At = 0; !bDone.load(); s64At = (s64At + 5) % (kSectors - 3))
            if (!ReadsStamped(*m_pCache, s64At, 3)) ++iBad;
    });
    for (long long i = 0; i < kSectors / kBlock; ++i) ASSERT_EQ(m_pCache->SetCurCacheBlock(i), 1) << "block " << i;
    bDone = true;
    worker.join();
    EXPECT_EQ(iBad.load(), 0);
}

}  // namespace
