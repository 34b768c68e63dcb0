#pragma once
// Uninitialised bytes for the blocks of the complete scan. Their first pass would fault every
// 4 KiB page (a scan keeps 80 to 160 MiB of blocks): where the system allows it, the whole huge
// pages of a large buffer are backed by huge pages.
//
// A large buffer is a mapping of its own, made once and unmapped only when the buffer goes:
// taken through malloc, a freed block of this size raises glibc's mmap threshold, and the next
// ones come from an arena that trims and hands fresh, zeroed pages back for every reuse.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

class LargeBuffer {
public:
    LargeBuffer() = default;
    /// `bytes` uninitialised bytes; throws std::bad_alloc when they cannot be had.
    explicit LargeBuffer(std::size_t bytes);

    std::uint8_t* Data() const { return m_pBytes.get(); }
    std::size_t Size() const { return m_size; }

private:
    struct Free {
        Free() noexcept : mappedBytes(0) {}
        explicit Free(std::size_t bytes) noexcept : mappedBytes(bytes) {}
        void operator()(std::uint8_t* pBytes) const;
        std::size_t mappedBytes;  // 0: from malloc
    };
    std::unique_ptr<std::uint8_t, Free> m_pBytes;
    std::size_t m_size = 0;
};

}  // namespace engine
