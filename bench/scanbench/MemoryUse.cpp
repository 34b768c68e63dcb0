#include "MemoryUse.h"

#include <malloc.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

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

/// The bytes the process's read calls returned so far, page cache hits included.
std::uint64_t ReadBytesSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t u64Value = 0;
    while (io >> key >> u64Value)
        if (key == "rchar:") return u64Value;
    return 0;
}
}  // namespace

ProcessCost ProcessCostSoFar() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return {};
    return {Seconds(usage.ru_utime), Seconds(usage.ru_stime), static_cast<std::uint64_t>(usage.ru_minflt),
            static_cast<std::uint64_t>(usage.ru_majflt), ReadBytesSoFar()};
}

ProcessCost CostBetween(ProcessCost const& before, ProcessCost const& after) {
    return {after.dUserSeconds - before.dUserSeconds, after.dSystemSeconds - before.dSystemSeconds,
            after.u64MinorFaults - before.u64MinorFaults, after.u64MajorFaults - before.u64MajorFaults,
            after.u64ReadBytes - before.u64ReadBytes};
}

}  // namespace scanbench
