#pragma once
// File times (100-ns units since 1601) to Unix time and to local year and month.
#include <ctime>
#include <optional>

#include "engine/Types.h"

namespace uimodel {

/// Seconds since 1970 of a file time; 116444736000000000 gives 0.
long long convertWindowsTimeToUnixTime(_FILETIME ft);

struct YearMonth {
    int iYear = 0;   // full year
    int iMonth = 0;  // 1 to 12
};

/// The local year and month of a Unix time; none when localtime_r cannot convert it or the year
/// lies outside 1601-9999 (a date that cannot be a file's is left out of the date maps).
std::optional<YearMonth> LocalYearMonth(long long s64UnixTime);
/// The same for a file time; none for 0 (unknown).
std::optional<YearMonth> LocalYearMonth(_FILETIME ft);

}  // namespace uimodel
