#include "engine/hfsplus/HfsPlusFileCache.h"

#include <algorithm>
#include <cstring>

namespace hfsplus {

std::vector<std::uint8_t> const* CHFSPlusFileCache::Page(std::uint64_t u64Page) {
    if (auto const found = m_pages.find(u64Page); found != m_pages.end()) return &found->second;
    std::uint64_t const u64Start = u64Page * kPageSize;
    if (u64Start >= m_u64Size) return nullptr;
    std::uint64_t const u64Length = std::min(kPageSize, m_u64Size - u64Start);
    if (m_u64Cached + u64Length > kMaxCachedBytes) return nullptr;
    std::vector<std::uint8_t> page(u64Length);
    if (ReadExtents(u64Start, page.data(), u64Length) != u64Length) return nullptr;
    m_u64Cached += u64Length;
    return &m_pages.emplace(u64Page, std::move(page)).first->second;
}

std::uint64_t CHFSPlusFileCache::Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
    if (pBuffer == nullptr || u64Offset >= m_u64Size) return 0;
    u64Length = std::min(u64Length, m_u64Size - u64Offset);
    std::uint64_t u64Done = 0;
    while (u64Done < u64Length) {
        std::uint64_t const u64At = u64Offset + u64Done;
        std::vector<std::uint8_t> const* pPage = Page(u64At / kPageSize);
        if (pPage == nullptr) return u64Done + ReadExtents(u64At, pBuffer + u64Done, u64Length - u64Done);
        std::uint64_t const u64Within = u64At % kPageSize;
        std::uint64_t const u64Piece = std::min<std::uint64_t>(pPage->size() - u64Within, u64Length - u64Done);
        std::memcpy(pBuffer + u64Done, pPage->data() + u64Within, u64Piece);
        u64Done += u64Piece;
    }
    return u64Done;
}

}  // namespace hfsplus
