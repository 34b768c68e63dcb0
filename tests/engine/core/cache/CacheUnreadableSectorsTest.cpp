// A device with unreadable sectors: the read-ahead salvages every readable sector around them,
// and the ones it cannot read are zeros, counted and reported.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "StampedReads.h"
#include "engine/core/cache/StorageDeviceWithCache.h"
#include "support/StampedImage.h"

namespace {

constexpr unsigned kBlock = 8;

TEST(CacheUnreadableSectorsTest, OnlyUnreadableSectorsReadAsZerosAndAreCounted) {
    constexpr long long kSectors = 30 * kBlock;
    std::set<long long> const failing = {3, 17, 18, 23, 24, 200, kSectors - 1};
    auto pMemory = cachetest::MakeStampedDevice(kSectors);
    for (long long s64Sector : failing) pMemory->FailSector(s64Sector);

    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    for (long long i = 0; i < 30; ++i) {
        ASSERT_EQ(cache.SetCurCacheBlock(i), 1);
        for (long long s64Sector = i * kBlock; s64Sector < (i + 1) * kBlock; ++s64Sector) {
            std::vector<std::uint8_t> const bytes = cachetest::ReadThrough(cache, s64Sector, 1);
            ASSERT_FALSE(bytes.empty());
            if (failing.contains(s64Sector))
                EXPECT_TRUE(testsupport::IsZero(bytes)) << "sector " << s64Sector;
            else
                EXPECT_TRUE(testsupport::IsStamped(bytes, static_cast<std::uint64_t>(s64Sector)))
                    << "sector " << s64Sector;
        }
    }
    EXPECT_EQ(cache.GetUnreadableSectorCount(), static_cast<long long>(failing.size()));
    RESULT const failure = cache.GetReadFailure();
    EXPECT_TRUE(Failed(failure));
    EXPECT_EQ(ResultModule(failure), kModuleStorageDevice);
    EXPECT_EQ(ResultCode(failure), kCodeIoFailure);
}

TEST(CacheUnreadableSectorsTest, WhollyUnreadableShortDeviceIsAllZeros) {
    auto pMemory = cachetest::MakeStampedDevice(5);
    for (long long s64Sector = 0; s64Sector < 5; ++s64Sector) pMemory->FailSector(s64Sector);
    CStorageDeviceWithCache cache(pMemory.get());
    cache.SetBlockSize(kBlock);
    cache.BeginCache();
    ASSERT_EQ(cache.SetCurCacheBlock(0), 1);
    EXPECT_TRUE(testsupport::IsZero(cachetest::ReadThrough(cache, 0, 5)));
    EXPECT_EQ(cache.GetUnreadableSectorCount(), 5);
    EXPECT_TRUE(Failed(cache.GetReadFailure()));
}

}  // namespace
