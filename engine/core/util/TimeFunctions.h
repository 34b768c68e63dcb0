#pragma once
// Windows-style time functions on POSIX: the engine's callers and stored records use these names.
#include <cstdint>

#include "engine/Types.h"

/// Wall-clock milliseconds since the epoch, truncated to 32 bits: it wraps about every 49 days.
std::uint32_t GetTickCount();

/// Fills the record with the local time (milliseconds included); 0, or 0xFFFFFFFF for a null record.
std::uint32_t GetLocalTime(_SYSTEMTIME* pTime);

/// Converts seconds since the epoch to local time with milliseconds 0; returns 0. A negative
/// time, an unconvertible one or a null record leaves the record untouched.
int ConverTime(long lTime, _SYSTEMTIME* pTime);
