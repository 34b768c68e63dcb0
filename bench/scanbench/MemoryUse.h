#pragma once
// What a scan's results cost in memory: the heap the scan still holds once it is done, per node
// it shows, and the process's peak resident size.
#include <cstdint>

namespace scanbench {

/// Bytes of heap in use now (small blocks and mapped ones alike); 0 where the allocator cannot tell.
std::uint64_t HeapBytesInUse();
/// The process's largest resident size so far, in bytes.
std::uint64_t PeakResidentBytes();

}  // namespace scanbench
