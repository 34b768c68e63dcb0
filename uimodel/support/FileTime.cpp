#include "uimodel/support/FileTime.h"

#include <cstdint>
#include <limits>

namespace uimodel {

namespace {
constexpr long long kTicksPerSecond = 10'000'000;
constexpr long long kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 9999;

std::uint64_t Ticks(_FILETIME ft) { return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime; }
}  // namespace

long long convertWindowsTimeToUnixTime(_FILETIME ft) {
    return static_cast<long long>(Ticks(ft) / kTicksPerSecond) - kSecondsFrom1601To1970;
}

std::optional<YearMonth> LocalYearMonth(long long s64UnixTime) {
    if (s64UnixTime < std::numeric_limits<std::time_t>::min() || s64UnixTime > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    std::time_t const t = static_cast<std::time_t>(s64UnixTime);
    std::tm local{};
    if (!localtime_r(&t, &local)) return std::nullopt;
    int const iYear = local.tm_year + 1900;
    if (iYear < kFirstYear || iYear > kLastYear) return std::nullopt;
    return YearMonth{iYear, local.tm_mon + 1};
}

std::optional<YearMonth> LocalYearMonth(_FILETIME ft) {
    if (Ticks(ft) == 0) return std::nullopt;
    return LocalYearMonth(convertWindowsTimeToUnixTime(ft));
}

}  // namespace uimodel
