#include "engine/core/util/TimeFunctions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// Local time is the process's time zone: pin it so that the expected fields are known.
class TimeFunctionsTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

}  // namespace

TEST_F(TimeFunctionsTest, NegativeTimeLeavesTheRecordAlone) {
    _SYSTEMTIME time{2001, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ConverTime(-1, &time), 0);
    EXPECT_EQ(time.wYear, 2001);
    EXPECT_EQ(time.wMonth, 2);
    EXPECT_EQ(time.wDayOfWeek, 3);
    EXPECT_EQ(time.wDay, 4);
    EXPECT_EQ(time.wHour, 5);
    EXPECT_EQ(time.wMinute, 6);
    EXPECT_EQ(time.wSecond, 7);
    EXPECT_EQ(time.wMilliseconds, 8);
}

TEST_F(TimeFunctionsTest, ConvertsSecondsToCalendarFields) {
    _SYSTEMTIME time{0, 0, 0, 0, 0, 0, 0, 99};
    // 2014-03-09 17:45:30 UTC, a Sunday.
    EXPECT_EQ(ConverTime(1394387130L, &time), 0);
    EXPECT_EQ(time.wYear, 2014);
    EXPECT_EQ(time.wMonth, 3);
    EXPECT_EQ(time.wDayOfWeek, 0);
    EXPECT_EQ(time.wDay, 9);
    EXPECT_EQ(time.wHour, 17);
    EXPECT_EQ(time.wMinute, 45);
    EXPECT_EQ(time.wSecond, 30);
    EXPECT_EQ(time.wMilliseconds, 0);
}

TEST_F(TimeFunctionsTest, LocalTimeMatchesTheClock) {
    std::time_t const before = std::time(nullptr);
    _SYSTEMTIME now{};
    ASSERT_EQ(GetLocalTime(&now), 0u);
    std::tm tm{};
    gmtime_r(&before, &tm);
    EXPECT_EQ(now.wYear, 1900 + tm.tm_year);
    EXPECT_EQ(now.wMonth, tm.tm_mon + 1);
    EXPECT_LT(now.wMilliseconds, 1000);
    EXPECT_EQ(GetLocalTime(nullptr), 0xFFFFFFFFu);
}

TEST_F(TimeFunctionsTest, TickCountIsWallClockMillisecondsModulo32Bits) {
    std::uint64_t const u64Expected = static_cast<std::uint64_t>(std::time(nullptr)) * 1000u;
    std::uint32_t const u32Ticks = GetTickCount();
    // Within two seconds of the clock, after wrapping both to 32 bits.
    std::uint32_t const u32Difference = u32Ticks - static_cast<std::uint32_t>(u64Expected);
    EXPECT_LT(u32Difference, 2000u);
}
