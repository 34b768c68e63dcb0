#pragma once
// Texts the results window shows: the progress line (percent done, time left) and the name it
// proposes for a results file.
#include <ctime>
#include <string>

#include "engine/IProgress.h"

namespace uimodel {

/// The time left as "hh:mm:ss": elapsed × total / done − elapsed. "-:-:-" while nothing is
/// known (no time elapsed, nothing done, under 1 %) or when it is beyond 100 hours. Out: the
/// percent done, with a total of 0 taken as 1.
std::string RemainingTimeText(_PROGRESS_INFO const& info, std::time_t elapsedSeconds, double& dPercent);

/// "<device>_MM-DD-YYYY at hh_mm_ss" at the local time given; a "/" in the device's name becomes
/// "_", since the name is a file name in the results folder.
std::string SaveFileName(std::string deviceName, std::tm const& local);

}  // namespace uimodel
