#pragma once
// Uninitialised bytes for the blocks of the complete scan and the signature search's ring.
//
// A large buffer is a mapping of its own, made once and unmapped only when the buffer goes:
// taken through malloc, a freed block of this size raises glibc's mmap threshold, and the next
// ones come from an arena that trims and hands fresh, zeroed pages back for every reuse.
//
// Huge pages are not asked for: a scan reuses each buffer many times, yet is bound by its
// searchers, not by the address translations huge pages save. What they cost is their first
// touch, which on a virtual machine that hands freed memory back to its host is the host's fault
// for every 2 MiB page: a scan started after a pause took twice as long on them. A system whose
// policy is huge pages for every mapping may still back them so.
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
