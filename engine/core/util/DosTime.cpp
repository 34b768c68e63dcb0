#include "engine/core/util/DosTime.h"

#include <ctime>
#include <optional>

namespace engine {

namespace {
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeOf1970 = 116'444'736'000'000'000;

std::optional<long> LocalOffsetAt(std::time_t seconds) {
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return std::nullopt;
    return local.tm_gmtoff;
}

// The local wall-clock time as seconds since 1970. mktime would do, but it re-reads the time
// zone file on every call (a stat per timestamp dominates a scan of a large folder); timegm and
// localtime_r do not. The offset is taken at the time it gives, so a daylight-saving change
// between the wall-clock reading and the instant is followed.
std::optional<std::time_t> LocalToSeconds(std::tm parts) {
    std::time_t const asUtc = timegm(&parts);
    if (asUtc == static_cast<std::time_t>(-1)) return std::nullopt;
    auto const guess = LocalOffsetAt(asUtc);
    if (!guess) return std::nullopt;
    auto const offset = LocalOffsetAt(asUtc - *guess);
    if (!offset) return std::nullopt;
    return asUtc - *offset;
}
}  // namespace

std::uint64_t DosDateTimeToFileTime(std::uint16_t u16Date, std::uint16_t u16Time) {
    std::tm parts{};
    parts.tm_sec = (u16Time & 0x1F) * 2;
    parts.tm_min = (u16Time >> 5) & 0x3F;
    parts.tm_hour = u16Time >> 11;
    parts.tm_mday = u16Date & 0x1F;
    parts.tm_mon = ((u16Date >> 5) & 0x0F) - 1;
    parts.tm_year = (u16Date >> 9) + 80;
    auto const seconds = LocalToSeconds(parts);
    if (!seconds) return 0;
    std::int64_t const s64Ticks = static_cast<std::int64_t>(*seconds) * kTicksPerSecond + kFileTimeOf1970;
    return s64Ticks < 0 ? 0 : static_cast<std::uint64_t>(s64Ticks);
}

}  // namespace engine
