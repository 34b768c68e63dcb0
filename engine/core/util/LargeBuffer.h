#pragma once
// Uninitialised bytes for the blocks of the complete scan. Their first pass would fault every
// 4 KiB page (a scan keeps some 140 MiB of blocks): where the system allows it, the whole huge
// pages of a large buffer are backed by huge pages.
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
        void operator()(std::uint8_t* pBytes) const;
    };
    std::unique_ptr<std::uint8_t, Free> m_pBytes;
    std::size_t m_size = 0;
};

}  // namespace engine
