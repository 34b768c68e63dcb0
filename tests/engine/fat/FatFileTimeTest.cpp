// DOS dates and times are local times: these cases pin the time zone (UTC, or Berlin on either
// side of daylight saving) so that the instants are fixed. A date and time of 0 is day 0 of month -1 of 1980, which mktime
// normalises to 30 November 1979.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "engine/core/util/DosTime.h"

namespace {

/// FILETIME ticks (100 ns) per second, and the FILETIME of 1 January 1970.
constexpr std::uint64_t kTicks = 10'000'000;
constexpr std::uint64_t kFileTimeOf1970 = 116'444'736'000'000'000;

class ZoneScope {
public:
    explicit ZoneScope(char const* pszZone) {
        if (char const* pszPrevious = std::getenv("TZ")) m_previous = pszPrevious;
        setenv("TZ", pszZone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (m_previous)
            setenv("TZ", m_previous->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneScope(ZoneScope const&) = delete;
    ZoneScope& operator=(ZoneScope const&) = delete;

private:
    std::optional<std::string> m_previous;
};

struct Case {
    char const* pszName;
    std::uint16_t u16Date;
    std::uint16_t u16Time;
    std::uint64_t u64UnixSeconds;
    char const* pszZone = "UTC";
};

constexpr Case kCases[] = {
    {"ZeroIsThirtiethNovember1979", 0, 0, 312'768'000},
    // (2025 - 1980) << 9 | 1 << 5 | 1, and 12 << 11.
    {"FirstJanuary2025AtNoon", 45 << 9 | 1 << 5 | 1, 12 << 11, 1'735'732'800},
    // 31 December 2107 23:59:58, the last instant DOS can store.
    {"LastStorableInstant", 127 << 9 | 12 << 5 | 31, 23 << 11 | 59 << 5 | 29, 4'354'819'198},
    // Noon in Berlin: 11:00 UTC in January (CET), 10:00 UTC in July (CEST).
    {"BerlinWinterNoon", 45 << 9 | 1 << 5 | 15, 12 << 11, 1'736'938'800, ":Europe/Berlin"},
    {"BerlinSummerNoon", 45 << 9 | 7 << 5 | 15, 12 << 11, 1'752'573'600, ":Europe/Berlin"},
    // 30 March 2025 03:30 CEST, an hour after the change (01:30 UTC).
    {"BerlinJustAfterTheChange", 45 << 9 | 3 << 5 | 30, 3 << 11 | 30 << 5, 1'743'298'200, ":Europe/Berlin"},
};

class FatFileTimeTest : public ::testing::TestWithParam<Case> {};

TEST_P(FatFileTimeTest, ADosDateAndTimeGiveTheirInstantInTheLocalZone) {
    Case const& c = GetParam();
    ZoneScope const zone(c.pszZone);
    EXPECT_EQ(engine::DosDateTimeToFileTime(c.u16Date, c.u16Time), c.u64UnixSeconds * kTicks + kFileTimeOf1970);
}

INSTANTIATE_TEST_SUITE_P(Instants, FatFileTimeTest, ::testing::ValuesIn(kCases),
                         [](auto const& param) { return std::string(param.param.pszName); });

}  // namespace
