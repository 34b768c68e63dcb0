#pragma once
// The catalog's fork reader: keeps the pages it has read (1 MiB each) in memory, up to
// 256 MiB, so that walks and searches read each catalog byte from the device once and a volume
// costs only the catalog bytes it actually reads. Reads past the cap go to the device.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/hfsplus/HfsPlusRawfile.h"

namespace hfsplus {

class CHFSPlusFileCache final : public CHFSPlusRawfile {
public:
    static constexpr std::uint64_t kPageSize = 1 << 20;
    static constexpr std::uint64_t kMaxCachedBytes = 256ull << 20;

    using CHFSPlusRawfile::CHFSPlusRawfile;

    std::uint64_t Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) override;
    std::uint64_t GetCachedBytes() const { return m_u64Cached; }

private:
    /// The page holding `u64Page` x kPageSize, read now when needed; null past the cap or on a
    /// short read.
    std::vector<std::uint8_t> const* Page(std::uint64_t u64Page);

    std::unordered_map<std::uint64_t, std::vector<std::uint8_t>> m_pages;
    std::uint64_t m_u64Cached = 0;
};

}  // namespace hfsplus
