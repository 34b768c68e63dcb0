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

}  // namespace scanbench
