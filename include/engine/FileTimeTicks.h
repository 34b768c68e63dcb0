#pragma once
// Node times compared as one number: duplicates keep the older copy, and a parent is chosen
// by how near its creation lies to a file's last access.
#include <cstdint>

#include "engine/Types.h"

inline std::uint64_t FileTimeTicks(_FILETIME time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

/// The inverse: one number of 100 ns ticks split into the two halves nodes keep.
inline _FILETIME FileTimeFromTicks(std::uint64_t u64Ticks) {
    _FILETIME time;
    time.dwLowDateTime = static_cast<std::uint32_t>(u64Ticks);
    time.dwHighDateTime = static_cast<std::uint32_t>(u64Ticks >> 32);
    return time;
}
