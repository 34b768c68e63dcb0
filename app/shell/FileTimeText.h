#pragma once
// File times as the interface language writes them: long date, short time.

#include <string>

#include "engine/Types.h"

namespace app {

// "" for a time the calendar cannot hold.
std::string LocalFileTimeText(_FILETIME fileTime);

}  // namespace app
