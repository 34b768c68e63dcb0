#include "engine/core/util/LargeBuffer.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace engine {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
/// Smaller buffers (tests, fuzzing, small rings) are not worth a mapping of their own.
constexpr std::size_t kHugePagesFrom = 2 * kHugePage;

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

/// `bytes` (whole pages) starting on a huge page's boundary, so that its whole huge pages can be
/// backed by huge pages; null when the system has no room.
std::uint8_t* MapAligned(std::size_t bytes) {
    void* const pMapped = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMapped == MAP_FAILED) return nullptr;
    auto* const pStart = static_cast<std::uint8_t*>(pMapped);
    auto const address = reinterpret_cast<std::uintptr_t>(pStart);
    std::size_t const head = RoundUp(address, kHugePage) - address;
    // The slack on either side goes back now: only the buffer stays mapped.
    if (head != 0) (void)munmap(pStart, head);
    (void)munmap(pStart + head + bytes, kHugePage - head);
    return pStart + head;
}
}  // namespace

void LargeBuffer::Free::operator()(std::uint8_t* pBytes) const {
    if (mappedBytes == 0) {
        std::free(pBytes);
    } else {
        (void)munmap(pBytes, mappedBytes);
    }
}

LargeBuffer::LargeBuffer(std::size_t bytes) : m_size(bytes) {
    if (bytes < kHugePagesFrom) {
        m_pBytes.reset(static_cast<std::uint8_t*>(std::malloc(bytes != 0 ? bytes : 1)));
    } else {
        std::size_t const mapped = RoundUp(bytes, kHugePage);
        m_pBytes = std::unique_ptr<std::uint8_t, Free>(MapAligned(mapped), Free{mapped});
#ifdef MADV_HUGEPAGE
        // Only the whole huge pages: a block's short tail stays on small pages, so the memory
        // it holds is what it uses. Advice only: small pages work too.
        if (m_pBytes) (void)madvise(m_pBytes.get(), bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
#endif
    }
    if (!m_pBytes) throw std::bad_alloc();
}

}  // namespace engine
