#include "engine/core/util/LargeBuffer.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace engine {

namespace {
/// Smaller buffers (tests, fuzzing, small rings) are not worth a mapping of their own.
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;
}  // namespace

void LargeBuffer::Free::operator()(std::uint8_t* pBytes) const {
    if (mappedBytes == 0) {
        std::free(pBytes);
    } else {
        (void)munmap(pBytes, mappedBytes);
    }
}

LargeBuffer::LargeBuffer(std::size_t bytes) : m_size(bytes) {
    if (bytes < kMappedFrom) {
        m_pBytes.reset(static_cast<std::uint8_t*>(std::malloc(bytes != 0 ? bytes : 1)));
    } else {
        // mmap and munmap both round the length up to whole pages.
        void* const pMapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pMapped != MAP_FAILED)
            m_pBytes = std::unique_ptr<std::uint8_t, Free>(static_cast<std::uint8_t*>(pMapped), Free{bytes});
    }
    if (!m_pBytes) throw std::bad_alloc();
}

}  // namespace engine
