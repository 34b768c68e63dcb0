#pragma once
// The results window's progress line: percent done and the time left.
#include <ctime>
#include <string>

#include "engine/IProgress.h"

namespace uimodel {

/// The time left as "hh:mm:ss": elapsed × total / done − elapsed. "-:-:-" while nothing is
/// known (no time elapsed, nothing done, under 1 %) or when it is beyond 100 hours. Out: the
/// percent done, with a total of 0 taken as 1.
std::string RemainingTimeText(_PROGRESS_INFO const& info, std::time_t elapsedSeconds, double& dPercent);

}  // namespace uimodel
