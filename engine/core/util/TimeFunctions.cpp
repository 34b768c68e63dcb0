#include "engine/core/util/TimeFunctions.h"

#include <sys/time.h>

#include <ctime>

namespace {

void FillFromTm(std::tm const& tm, _SYSTEMTIME* pTime) {
    pTime->wYear = static_cast<std::uint16_t>(1900 + tm.tm_year);
    pTime->wMonth = static_cast<std::uint16_t>(tm.tm_mon + 1);
    pTime->wDayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    pTime->wDay = static_cast<std::uint16_t>(tm.tm_mday);
    pTime->wHour = static_cast<std::uint16_t>(tm.tm_hour);
    pTime->wMinute = static_cast<std::uint16_t>(tm.tm_min);
    pTime->wSecond = static_cast<std::uint16_t>(tm.tm_sec);
}

}  // namespace

std::uint32_t GetTickCount() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::uint64_t const u64Ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_usec / 1000);
    return static_cast<std::uint32_t>(u64Ms);
}

std::uint32_t GetLocalTime(_SYSTEMTIME* pTime) {
    if (!pTime) return 0xFFFFFFFFu;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    if (!localtime_r(&now.tv_sec, &tm)) return 0xFFFFFFFFu;
    FillFromTm(tm, pTime);
    pTime->wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return 0;
}

int ConverTime(long lTime, _SYSTEMTIME* pTime) {
    if (lTime < 0 || !pTime) return 0;
    std::time_t const t = static_cast<std::time_t>(lTime);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;  // a year beyond what tm can hold
    FillFromTm(tm, pTime);
    pTime->wMilliseconds = 0;
    return 0;
}
