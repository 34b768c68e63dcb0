#include "engine/core/util/DosTime.h"

#include <ctime>

namespace engine {

namespace {
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeOf1970 = 116'444'736'000'000'000;
}  // namespace

std::uint64_t DosDateTimeToFileTime(std::uint16_t u16Date, std::uint16_t u16Time) {
    std::tm parts{};
    parts.tm_sec = (u16Time & 0x1F) * 2;
    parts.tm_min = (u16Time >> 5) & 0x3F;
    parts.tm_hour = u16Time >> 11;
    parts.tm_mday = u16Date & 0x1F;
    parts.tm_mon = ((u16Date >> 5) & 0x0F) - 1;
    parts.tm_year = (u16Date >> 9) + 80;
    parts.tm_isdst = -1;
    std::time_t const seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1)) return 0;
    std::int64_t const s64Ticks = static_cast<std::int64_t>(seconds) * kTicksPerSecond + kFileTimeOf1970;
    return s64Ticks < 0 ? 0 : static_cast<std::uint64_t>(s64Ticks);
}

}  // namespace engine
