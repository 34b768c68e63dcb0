#include "engine/hfsplus/HfsPlusCompressFileReader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/ByteView.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/HfsPlusRawfile.h"
#include "engine/hfsplus/decmpfs/DecmpfsExpand.h"
#include "engine/hfsplus/decmpfs/DecmpfsHeader.h"

namespace hfsplus {

namespace {

constexpr std::size_t kHeaderSize = 16;
/// A stored block is one marker byte more than its data; zlib adds a little to incompressible
/// data. Longer blocks are damage, never read.
constexpr std::uint64_t kMaxBlockInput = kDecmpfsBlockSize + 0x1000;
/// The best ratio zlib reaches, used to refuse absurd sizes of attribute streams.
constexpr std::uint64_t kMaxExpansion = 1032;

std::uint64_t BlocksFor(std::uint64_t u64Size) {
    return u64Size / kDecmpfsBlockSize + (u64Size % kDecmpfsBlockSize != 0);
}

}  // namespace

CHFSPlusCompressFileReader* CHFSPlusCompressFileReader::Open(std::vector<std::uint8_t> const& attribute,
                                                             ForkRead readFork, std::uint64_t u64ForkSize) {
    std::optional<DecmpfsHeader> const header =
        ParseDecmpfsHeader(engine::ByteView(attribute.data(), attribute.size()));
    if (!header || !IsKnownDecmpfsKind(header->u32Type)) return nullptr;
    std::unique_ptr<CHFSPlusCompressFileReader> pReader(new CHFSPlusCompressFileReader());
    pReader->m_u32Type = header->u32Type;
    pReader->m_u64Size = header->u64UncompressedSize;
    pReader->m_readFork = std::move(readFork);
    pReader->m_u64ForkSize = u64ForkSize;
    bool bOpened = false;
    switch (static_cast<DecmpfsKind>(header->u32Type)) {
        case DecmpfsKind::ZlibResource:
            bOpened = pReader->OpenZlibFork();
            break;
        case DecmpfsKind::LzvnResource:
            bOpened = pReader->OpenLzvnFork();
            break;
        default:
            bOpened = pReader->OpenAttributeData(header->u32Type, attribute, kHeaderSize);
            break;
    }
    return bOpened ? pReader.release() : nullptr;
}

CHFSPlusCompressFileReader* CHFSPlusCompressFileReader::Open(std::vector<std::uint8_t> const& attribute,
                                                             std::shared_ptr<CHFSPlusRawfile> pFork) {
    if (!pFork) return nullptr;
    std::uint64_t const u64ForkSize = pFork->GetSize();
    return Open(
        attribute,
        [pFork](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
            return pFork->Read(u64Offset, pBuffer, u64Length);
        },
        u64ForkSize);
}

bool CHFSPlusCompressFileReader::OpenAttributeData(std::uint32_t u32Type, std::vector<std::uint8_t> const& attribute,
                                                   std::size_t payloadOffset) {
    std::span<std::uint8_t const> const payload(attribute.data() + payloadOffset, attribute.size() - payloadOffset);
    std::uint64_t const u64Cap = payload.size() * kMaxExpansion + kDecmpfsBlockSize;
    if (m_u64Size > u64Cap) return false;
    m_whole.assign(m_u64Size, 0);
    switch (static_cast<DecmpfsKind>(u32Type)) {
        case DecmpfsKind::RawAttribute:
            m_bWholeValid = payload.size() >= m_whole.size();
            if (m_bWholeValid && !m_whole.empty()) std::memcpy(m_whole.data(), payload.data(), m_whole.size());
            break;
        case DecmpfsKind::ZlibAttribute:
            m_bWholeValid = ExpandZlib(payload, m_whole);
            break;
        default:
            m_bWholeValid = ExpandLzvn(payload, m_whole);
            break;
    }
    // A stream that does not expand stays listed with its size; its reads fail.
    return true;
}

std::uint64_t CHFSPlusCompressFileReader::ReadFork(std::uint64_t u64Offset, std::vector<std::uint8_t>& buffer,
                                                   std::uint64_t u64Length) const {
    buffer.assign(u64Length, 0);
    if (!m_readFork || u64Offset > m_u64ForkSize || u64Length > m_u64ForkSize - u64Offset) return 0;
    return m_readFork(u64Offset, buffer.data(), u64Length);
}

bool CHFSPlusCompressFileReader::OpenZlibFork() {
    // Resource fork: a big-endian resource header whose first word is the data's offset; there a
    // big-endian length, then a little-endian block count and (offset, length) pairs counted
    // from just after the length word.
    std::vector<std::uint8_t> head;
    if (ReadFork(0, head, 16) != 16) return false;
    std::uint64_t const u64DataOffset = engine::ByteView(head.data(), head.size()).Be32(0);
    std::uint64_t const u64TableOffset = u64DataOffset + 4;
    if (ReadFork(u64TableOffset, head, 4) != 4) return false;
    std::uint64_t const u64Count = engine::ByteView(head.data(), head.size()).Le32(0);
    if (u64Count != BlocksFor(m_u64Size)) return false;  // refuses sizes beyond count x 64 KiB
    auto const u64TableBytes = engine::CheckedMul<std::uint64_t>(u64Count, 8);
    if (!u64TableBytes || *u64TableBytes > m_u64ForkSize) return false;
    std::vector<std::uint8_t> table;
    if (ReadFork(u64TableOffset + 4, table, *u64TableBytes) != *u64TableBytes) return false;
    engine::ByteView const view(table.data(), table.size());
    m_blocks.reserve(u64Count);
    for (std::uint64_t i = 0; i < u64Count; ++i) {
        Block block{u64TableOffset + view.Le32(i * 8), view.Le32(i * 8 + 4)};
        if (block.u64Offset > m_u64ForkSize || block.u64Length > m_u64ForkSize - block.u64Offset) return false;
        m_blocks.push_back(block);
    }
    return true;
}

bool CHFSPlusCompressFileReader::OpenLzvnFork() {
    // Resource fork: little-endian chunk offsets from the fork's start, one more than there are
    // chunks; the first is the table's own size.
    std::uint64_t const u64Count = BlocksFor(m_u64Size);
    auto const u64TableBytes = engine::CheckedMul<std::uint64_t>(u64Count + 1, 4);
    if (!u64TableBytes || *u64TableBytes > m_u64ForkSize) return false;
    std::vector<std::uint8_t> table;
    if (ReadFork(0, table, *u64TableBytes) != *u64TableBytes) return false;
    engine::ByteView const view(table.data(), table.size());
    if (view.Le32(0) != *u64TableBytes) return false;
    m_blocks.reserve(u64Count);
    for (std::uint64_t i = 0; i < u64Count; ++i) {
        std::uint64_t const u64Start = view.Le32(i * 4);
        std::uint64_t const u64End = view.Le32(i * 4 + 4);
        if (u64End < u64Start || u64End > m_u64ForkSize) return false;
        m_blocks.push_back({u64Start, u64End - u64Start});
    }
    return true;
}

bool CHFSPlusCompressFileReader::LoadBlock(std::size_t index) {
    if (index == m_cachedIndex) return m_bCachedValid;
    m_cachedIndex = index;
    m_bCachedValid = false;
    std::uint64_t const u64Start = index * kDecmpfsBlockSize;
    m_block.assign(std::min(kDecmpfsBlockSize, m_u64Size - u64Start), 0);
    Block const& block = m_blocks[index];
    if (block.u64Length > kMaxBlockInput) return false;
    if (ReadFork(block.u64Offset, m_input, block.u64Length) != block.u64Length) return false;
    m_bCachedValid = m_u32Type == static_cast<std::uint32_t>(DecmpfsKind::ZlibResource) ? ExpandZlib(m_input, m_block)
                                                                                        : ExpandLzvn(m_input, m_block);
    return m_bCachedValid;
}

unsigned int CHFSPlusCompressFileReader::ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) {
    if (pDestination == nullptr || s64Offset < 0 || static_cast<std::uint64_t>(s64Offset) >= m_u64Size) return 0;
    std::uint64_t const u64Offset = static_cast<std::uint64_t>(s64Offset);
    std::uint64_t const u64Length = std::min<std::uint64_t>(u32Length, m_u64Size - u64Offset);
    if (!m_blocks.empty()) {
        for (std::uint64_t u64Done = 0; u64Done < u64Length;) {
            std::uint64_t const u64At = u64Offset + u64Done;
            std::size_t const index = static_cast<std::size_t>(u64At / kDecmpfsBlockSize);
            if (index >= m_blocks.size() || !LoadBlock(index)) return 0;
            std::uint64_t const u64InBlock = u64At % kDecmpfsBlockSize;
            std::uint64_t const u64Take = std::min<std::uint64_t>(m_block.size() - u64InBlock, u64Length - u64Done);
            std::memcpy(pDestination + u64Done, m_block.data() + u64InBlock, u64Take);
            u64Done += u64Take;
        }
        return static_cast<unsigned int>(u64Length);
    }
    if (!m_bWholeValid) return 0;
    std::memcpy(pDestination, m_whole.data() + u64Offset, u64Length);
    return static_cast<unsigned int>(u64Length);
}

}  // namespace hfsplus
