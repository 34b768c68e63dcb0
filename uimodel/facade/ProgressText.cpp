#include "uimodel/facade/ProgressText.h"

#include <cstdio>

namespace uimodel {

namespace {
constexpr long long kMaxHours = 100;
}

std::string RemainingTimeText(_PROGRESS_INFO const& info, std::time_t elapsedSeconds, double& dPercent) {
    std::uint64_t const u64Total = info.u64Total == 0 ? 1 : info.u64Total;
    dPercent = static_cast<double>(info.u64Done) * 100.0 / static_cast<double>(u64Total);
    if (elapsedSeconds <= 0 || info.u64Done == 0 || dPercent < 1.0) return "-:-:-";
    // In floating point: elapsed × total overflows 64 bits on large disks.
    double const dElapsed = static_cast<double>(elapsedSeconds);
    double const dRemaining = dElapsed * static_cast<double>(u64Total) / static_cast<double>(info.u64Done) - dElapsed;
    if (!(dRemaining < static_cast<double>((kMaxHours + 1) * 3600))) return "-:-:-";
    long long const s64Remaining = dRemaining < 1.0 ? 0 : static_cast<long long>(dRemaining);
    long long const s64Hours = s64Remaining / 3600;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", s64Hours, s64Remaining / 60 % 60, s64Remaining % 60);
    return text;
}

std::string SaveFileName(std::string deviceName, std::tm const& local) {
    for (char& c : deviceName)
        if (c == '/') c = '_';
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d at %02d_%02d_%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return deviceName + "_" + stamp;
}

}  // namespace uimodel
