#pragma once
// DOS dates and times, as FAT folder entries and exFAT timestamps store them, in the engine's
// FILETIME ticks.
#include <cstdint>

namespace engine {

/// The DOS date and time read as local time of this machine (daylight saving as the system
/// decides), in 100-ns ticks since 1601. Fields out of range are normalised the way mktime does
/// (date 0 is 30 November 1979); a time that cannot be represented gives 0.
std::uint64_t DosDateTimeToFileTime(std::uint16_t u16Date, std::uint16_t u16Time);

}  // namespace engine
