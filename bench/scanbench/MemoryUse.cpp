#include "MemoryUse.h"

#include <malloc.h>
#include <sys/resource.h>

namespace scanbench {

std::uint64_t HeapBytesInUse() {
    struct mallinfo2 const info = mallinfo2();
    return static_cast<std::uint64_t>(info.uordblks) + static_cast<std::uint64_t>(info.hblkhd);
}

std::uint64_t PeakResidentBytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // Linux counts kilobytes
}

namespace {
double Seconds(timeval const& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}
}  // namespace

ProcessCost ProcessCostSoFar() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return {};
    return {Seconds(usage.ru_utime), Seconds(usage.ru_stime), static_cast<std::uint64_t>(usage.ru_minflt),
            static_cast<std::uint64_t>(usage.ru_majflt)};
}

ProcessCost CostBetween(ProcessCost const& before, ProcessCost const& after) {
    return {after.dUserSeconds - before.dUserSeconds, after.dSystemSeconds - before.dSystemSeconds,
            after.u64MinorFaults - before.u64MinorFaults, after.u64MajorFaults - before.u64MajorFaults};
}

}  // namespace scanbench
