#include "uimodel/support/FileTime.h"

#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>

namespace uimodel {

namespace {
constexpr long long kTicksPerSecond = 10'000'000;
constexpr long long kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 9999;

std::uint64_t Ticks(_FILETIME ft) { return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime; }

constexpr long long kSecondsPerDay = 86'400;
// Two UTC offsets differ by less than this (zones run from -12 to +14 hours, a TZ string to
// about +-25): a local time that far inside its month stays in it under any other offset.
constexpr long long kOffsetMarginDays = 3;

struct CivilDate {
    long long s64Year;
    unsigned u32Month;  // 1-12
    unsigned u32Day;    // 1-31
};

/// The proleptic Gregorian date of a day counted from 1970-01-01 (days_from_civil's inverse).
CivilDate CivilFromDays(long long s64Days) {
    s64Days += 719'468;
    long long const s64Era = (s64Days >= 0 ? s64Days : s64Days - 146'096) / 146'097;
    auto const u32DayOfEra = static_cast<unsigned>(s64Days - s64Era * 146'097);
    unsigned const u32YearOfEra =
        (u32DayOfEra - u32DayOfEra / 1'460 + u32DayOfEra / 36'524 - u32DayOfEra / 146'096) / 365;
    unsigned const u32DayOfYear = u32DayOfEra - (365 * u32YearOfEra + u32YearOfEra / 4 - u32YearOfEra / 100);
    unsigned const u32MonthIndex = (5 * u32DayOfYear + 2) / 153;
    unsigned const u32Day = u32DayOfYear - (153 * u32MonthIndex + 2) / 5 + 1;
    unsigned const u32Month = u32MonthIndex < 10 ? u32MonthIndex + 3 : u32MonthIndex - 9;
    return {static_cast<long long>(u32YearOfEra) + s64Era * 400 + (u32Month <= 2 ? 1 : 0), u32Month, u32Day};
}

unsigned DaysInMonth(long long s64Year, unsigned u32Month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool const bLeap = s64Year % 4 == 0 && (s64Year % 100 != 0 || s64Year % 400 == 0);
    return u32Month == 2 && bLeap ? 29 : kDays[u32Month - 1];
}

/// The month of `t` under the last offset localtime gave this thread, when `t` lies far enough
/// inside it that the zone's real offset cannot move it out; none otherwise. A load files a
/// million nodes by two dates each, and localtime's zone walk is most of that filing.
std::optional<YearMonth> MonthFarFromItsEdges(std::time_t t, std::optional<long> const& offset) {
    constexpr long long kLimit = 1LL << 40;  // far beyond year 9999: no overflow below
    if (!offset || t <= -kLimit || t >= kLimit) return std::nullopt;
    long long const s64Local = static_cast<long long>(t) + *offset;
    long long const s64Days = s64Local >= 0 ? s64Local / kSecondsPerDay : (s64Local + 1) / kSecondsPerDay - 1;
    // Times come in runs of one day (a folder's files, a load's nodes): the last day's answer
    // is kept, as the civil date costs a handful of divisions.
    thread_local long long s_s64LastDays = -kLimit;  // no day: below every day looked at
    thread_local std::optional<YearMonth> s_lastAnswer;
    if (s64Days == s_s64LastDays) return s_lastAnswer;
    CivilDate const date = CivilFromDays(s64Days);
    s_s64LastDays = s64Days;
    if (date.u32Day <= kOffsetMarginDays || date.u32Day + kOffsetMarginDays > DaysInMonth(date.s64Year, date.u32Month))
        s_lastAnswer = std::nullopt;
    else
        s_lastAnswer = YearMonth{static_cast<int>(date.s64Year), static_cast<int>(date.u32Month)};
    return s_lastAnswer;
}
}  // namespace

long long convertWindowsTimeToUnixTime(_FILETIME ft) {
    return static_cast<long long>(Ticks(ft) / kTicksPerSecond) - kSecondsFrom1601To1970;
}

std::optional<YearMonth> LocalYearMonth(long long s64UnixTime) {
    if (s64UnixTime < std::numeric_limits<std::time_t>::min() || s64UnixTime > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    std::time_t const t = static_cast<std::time_t>(s64UnixTime);
    thread_local std::optional<long> s_lastOffset;
    if (std::optional<YearMonth> const month = MonthFarFromItsEdges(t, s_lastOffset)) {
        if (month->iYear < kFirstYear || month->iYear > kLastYear) return std::nullopt;
        return month;
    }
    std::tm local{};
    if (!localtime_r(&t, &local)) return std::nullopt;
    s_lastOffset = local.tm_gmtoff;
    int const iYear = local.tm_year + 1900;
    if (iYear < kFirstYear || iYear > kLastYear) return std::nullopt;
    return YearMonth{iYear, local.tm_mon + 1};
}

std::optional<YearMonth> LocalYearMonth(_FILETIME ft) {
    if (Ticks(ft) == 0) return std::nullopt;
    return LocalYearMonth(convertWindowsTimeToUnixTime(ft));
}

}  // namespace uimodel
