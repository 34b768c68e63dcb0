#pragma once
// The reader of an HFS+ compressed file: the decmpfs attribute's header gives the type and the
// uncompressed size; the data is the attribute's own stream (types 1, 3, 7) or 64 KiB blocks
// of the resource fork (types 4, 8). Only the blocks covering a read are expanded, and the
// last one is kept, so a sequential copy expands each block once. A block that cannot be
// expanded fails reads of its range (0 bytes).
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/IFileReader.h"

namespace hfsplus {

class CHFSPlusRawfile;

class CHFSPlusCompressFileReader final : public IFileReader {
public:
    /// Reads `u64Length` bytes at fork offset `u64Offset`; returns the bytes delivered.
    using ForkRead =
        std::function<std::uint64_t(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length)>;

    /// Null when the attribute is not a decmpfs header of a known type, when its size is beyond
    /// what the data can hold, or when the fork's block table is damaged.
    static CHFSPlusCompressFileReader* Open(std::vector<std::uint8_t> const& attribute, ForkRead readFork,
                                            std::uint64_t u64ForkSize);
    /// The same over a file's resource fork (its device must outlive the reader); the reader and
    /// its copies share the fork.
    static CHFSPlusCompressFileReader* Open(std::vector<std::uint8_t> const& attribute,
                                            std::shared_ptr<CHFSPlusRawfile> pFork);

    unsigned int ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) override;
    IFileReader* Clone() override { return new CHFSPlusCompressFileReader(*this); }
    long long GetDataSize() const override { return static_cast<long long>(m_u64Size); }
    int IsCompressFile() override { return 1; }
    void Release() override { delete this; }

private:
    struct Block {
        std::uint64_t u64Offset = 0;  // in the fork
        std::uint64_t u64Length = 0;
    };

    CHFSPlusCompressFileReader() = default;
    CHFSPlusCompressFileReader(CHFSPlusCompressFileReader const&) = default;

    bool OpenAttributeData(std::uint32_t u32Type, std::vector<std::uint8_t> const& attribute,
                           std::size_t payloadOffset);
    bool OpenZlibFork();
    bool OpenLzvnFork();
    /// Expands block `index` into m_block; false when it cannot be.
    bool LoadBlock(std::size_t index);
    std::uint64_t ReadFork(std::uint64_t u64Offset, std::vector<std::uint8_t>& buffer, std::uint64_t u64Length) const;

    std::uint32_t m_u32Type = 0;
    std::uint64_t m_u64Size = 0;
    ForkRead m_readFork;
    std::uint64_t m_u64ForkSize = 0;
    std::vector<Block> m_blocks;
    std::vector<std::uint8_t> m_whole;  // attribute kinds: the whole expanded data
    bool m_bWholeValid = false;
    std::size_t m_cachedIndex = SIZE_MAX;
    bool m_bCachedValid = false;
    std::vector<std::uint8_t> m_block;  // the last expanded block
    std::vector<std::uint8_t> m_input;  // a block as read
};

}  // namespace hfsplus
