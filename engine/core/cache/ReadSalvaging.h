#pragma once
// Reading a block of a failing device without losing the sectors around a bad one.
#include <cstdint>
#include <span>
#include <vector>

class IStorageDevice;

namespace engine {

/// Consecutive unreadable sectors.
struct SectorRun {
    std::int64_t s64First = 0;
    std::int64_t s64Count = 0;
};

/// Reads `s64Count` sectors from `s64First` of `device` into `buffer` (at least `s64Count` x
/// `u32SectorBytes` bytes). A failed read is retried in halves down to single sectors; sectors that
/// still fail are zero-filled and appended to `unreadable` in ascending order, adjacent ones merged.
/// Returns the number of unreadable sectors.
std::int64_t ReadSalvaging(IStorageDevice& device, std::span<std::uint8_t> buffer, std::int64_t s64First,
                           std::int64_t s64Count, std::uint32_t u32SectorBytes, std::vector<SectorRun>& unreadable);

}  // namespace engine
