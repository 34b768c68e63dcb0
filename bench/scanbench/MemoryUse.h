#pragma once
// What a scan costs in memory: the heap the scan still holds once it is done, per node it shows,
// the process's peak resident size, and the system's work for it (its time, its page faults).
#include <cstdint>

namespace scanbench {

/// Bytes of heap in use now (small blocks and mapped ones alike); 0 where the allocator cannot tell.
std::uint64_t HeapBytesInUse();
/// The process's largest resident size so far, in bytes.
std::uint64_t PeakResidentBytes();

/// The process's processor time and page faults so far (all threads, getrusage).
struct ProcessCost {
    double dUserSeconds = 0;
    double dSystemSeconds = 0;
    std::uint64_t u64MinorFaults = 0;
    std::uint64_t u64MajorFaults = 0;
    std::uint64_t u64ReadBytes = 0;  // bytes its read calls returned (/proc/self/io), 0 unknown
};
ProcessCost ProcessCostSoFar();
/// What the process spent from `before` to `after`.
ProcessCost CostBetween(ProcessCost const& before, ProcessCost const& after);

}  // namespace scanbench
