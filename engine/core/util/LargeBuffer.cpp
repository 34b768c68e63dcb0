#include "engine/core/util/LargeBuffer.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace engine {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
/// Smaller buffers (tests, fuzzing, small rings) are not worth aligning.
constexpr std::size_t kHugePagesFrom = 2 * kHugePage;
}  // namespace

void LargeBuffer::Free::operator()(std::uint8_t* pBytes) const { std::free(pBytes); }

LargeBuffer::LargeBuffer(std::size_t bytes) : m_size(bytes) {
    if (bytes < kHugePagesFrom) {
        m_pBytes.reset(static_cast<std::uint8_t*>(std::malloc(bytes != 0 ? bytes : 1)));
    } else {
        std::size_t const rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        m_pBytes.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kHugePage, rounded)));
#ifdef MADV_HUGEPAGE
        // Only the whole huge pages: a block's short tail stays on small pages, so the memory
        // it holds is what it uses. Advice only: small pages work too.
        if (m_pBytes) (void)madvise(m_pBytes.get(), bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
#endif
    }
    if (!m_pBytes) throw std::bad_alloc();
}

}  // namespace engine
