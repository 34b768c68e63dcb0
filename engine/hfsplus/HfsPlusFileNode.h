#pragma once
// A file or folder of an HFS+ catalog: name, size, times, flags and the allocation-block runs
// of its fork. Runs count allocation blocks from the volume's start; copy-out turns them into
// sectors with the searched-partition record's sectors per cluster (sectors per block).
#include <cstdint>
#include <optional>
#include <string>

#include "engine/FileNode.h"
#include "engine/ReleasePtr.h"
#include "engine/core/node/NodeName.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

namespace hfsplus {
class CHFSPlusVolume;
}

class CHFSPlusFileNode final : public CFileNode {
public:
    static constexpr std::uint8_t kFlagDeleted = 0x01;
    static constexpr std::uint8_t kFlagDirectory = 0x02;
    static constexpr std::uint8_t kFlagCompressed = 0x04;
    /// Resource-fork nodes take ids above every catalog node id (a u32).
    static constexpr long long kResourceForkID = 1LL << 40;

    /// Fills the node from a catalog key and a file or folder record; a thread record, the
    /// root's parent (id 1) or a damaged record leave the node id unset (-1).
    CHFSPlusFileNode(hfsplus::CHFSPlusVolume* pVolume, hfsplus::CatalogKey const& key,
                     hfsplus::CatalogRecord const& record, bool bDeleted);

    /// A node for the resource fork of a file record, named "name:rsrc" beside the file.
    static ReleasePtr<CHFSPlusFileNode> ResourceFork(hfsplus::CHFSPlusVolume* pVolume, hfsplus::CatalogKey const& key,
                                                     hfsplus::CatalogRecord const& record, bool bDeleted = false);

    char const* GetFileName() override { return m_name.Get() ? m_name.Get() : ""; }
    long long GetFileSize() override { return m_s64Size; }
    std::uint32_t GetAttribute() override { return m_u16Attribute; }
    _FILETIME GetCreationTime() override { return TimeConvert(m_u32CreateDate); }
    _FILETIME GetModificationTime() override { return TimeConvert(m_u32ModifyDate); }
    _FILETIME GetLastAccessTime() override { return TimeConvert(m_u32AccessDate); }
    int IsDirectory() override { return (m_u8Flags & kFlagDirectory) != 0 ? 1 : 0; }
    int IsDeleted() override { return (m_u8Flags & kFlagDeleted) != 0 ? 1 : 0; }
    int IsCompressed() const override { return (m_u8Flags & kFlagCompressed) != 0 ? 1 : 0; }
    /// A lone copy: name, size, times, flags and runs; the ids are copied too.
    IFileNode* Clone() override;
    void MarkDeleted() override { m_u8Flags |= kFlagDeleted; }
    void UpdateFileSize(long long s64Size) override { m_s64Size = s64Size; }
    /// The decmpfs reader of a compressed file; null for other nodes, an unknown compression
    /// type or a damaged attribute or fork table.
    IFileReader* CreateCompressFileReader(void* pContext) override;

    /// The volume the node was read from (not owned); null for nodes made without one.
    hfsplus::CHFSPlusVolume* GetVolume() const { return m_pVolume; }

    /// HFS+ seconds since 1 January 1904 as FILETIME ticks; 0 stays 0.
    static _FILETIME TimeConvert(std::uint32_t u32HfsSeconds);

private:
    CHFSPlusFileNode(CHFSPlusFileNode const& other) = default;
    /// The runs of `fork` (up to the blocks its extents cover) and the size they can hold.
    void TakeFork(hfsplus::CHFSPlusVolume* pVolume, std::uint32_t u32FileID, std::uint8_t u8ForkType,
                  hfsplus::HFSPlusForkData const& fork);

    /// What a file record's content is: for a hard link its iNode's record (kept in `target`)
    /// when the volume has it, else the record itself.
    static hfsplus::CatalogRecord const& ContentOf(hfsplus::CHFSPlusVolume* pVolume,
                                                   hfsplus::CatalogRecord const& record,
                                                   std::optional<hfsplus::CatalogRecord>& target);
    /// Gives a compressed file its uncompressed size: the reader's, else the attribute's claim.
    void TakeUncompressedSize();

    std::uint32_t m_u32CreateDate = 0;
    std::uint32_t m_u32ContentID = 0;              // whose forks and attributes the node reads (a hard link's iNode)
    hfsplus::HFSPlusForkData m_resourceFork{};     // of compressed files: what their reader reads
    hfsplus::CHFSPlusVolume* m_pVolume = nullptr;  // not owned; kept for compressed reads
    CNodeName m_name;
    long long m_s64Size = 0;
    std::uint32_t m_u32ModifyDate = 0;
    std::uint32_t m_u32AccessDate = 0;
    std::uint16_t m_u16Attribute = 0;
    std::uint8_t m_u8Flags = 0;
};
