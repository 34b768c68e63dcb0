#include "engine/exfat/DosTime.h"

#include <ctime>

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kEpochDifference = 116'444'736'000'000'000;  // 1601 to 1970 in ticks

}  // namespace

_FILETIME DosTime2FileTime(std::uint32_t u32Timestamp) {
    std::tm calendar{};
    calendar.tm_sec = static_cast<int>((u32Timestamp & 0x1F) * 2);
    calendar.tm_min = static_cast<int>((u32Timestamp >> 5) & 0x3F);
    calendar.tm_hour = static_cast<int>((u32Timestamp >> 11) & 0x1F);
    calendar.tm_mday = static_cast<int>((u32Timestamp >> 16) & 0x1F);
    calendar.tm_mon = static_cast<int>((u32Timestamp >> 21) & 0x0F) - 1;
    calendar.tm_year = static_cast<int>((u32Timestamp >> 25) & 0x7F) + 80;
    calendar.tm_isdst = -1;
    std::time_t const seconds = std::mktime(&calendar);
    _FILETIME result;
    if (seconds == static_cast<std::time_t>(-1)) return result;
    std::int64_t const s64Ticks = static_cast<std::int64_t>(seconds) * kTicksPerSecond + kEpochDifference;
    if (s64Ticks < 0) return result;
    result.dwLowDateTime = static_cast<std::uint32_t>(static_cast<std::uint64_t>(s64Ticks));
    result.dwHighDateTime = static_cast<std::uint32_t>(static_cast<std::uint64_t>(s64Ticks) >> 32);
    return result;
}
