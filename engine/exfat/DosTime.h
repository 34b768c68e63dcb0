#pragma once
// exFAT timestamps as the engine's times.
#include <cstdint>

#include "engine/Types.h"

/// The DOS date and time of an exFAT timestamp, read as local time of this machine (daylight
/// saving as the system decides), in 100-ns units since 1601. The 10-ms increments and the UTC
/// offsets are not used. An impossible date gives a zero time.
_FILETIME DosTime2FileTime(std::uint32_t u32Timestamp);
