#pragma once
// Node times compared as one number: duplicates keep the older copy, and a parent is chosen
// by how near its creation lies to a file's last access.
#include <cstdint>

#include "engine/Types.h"

inline std::uint64_t FileTimeTicks(_FILETIME time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
