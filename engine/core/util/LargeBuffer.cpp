#include "engine/core/util/LargeBuffer.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace engine {

namespace {
/// Smaller buffers (tests, fuzzing, small rings) are not worth a mapping of their own.
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;

std::size_t PageBytes() {
    long const page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }
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
        std::size_t const mapped = RoundUp(bytes, PageBytes());
        void* const pMapped = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pMapped != MAP_FAILED)
            m_pBytes = std::unique_ptr<std::uint8_t, Free>(static_cast<std::uint8_t*>(pMapped), Free{mapped});
    }
    if (!m_pBytes) throw std::bad_alloc();
}

}  // namespace engine
