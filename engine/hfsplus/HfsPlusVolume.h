#pragma once
// An HFS+ or HFSX volume opened on a storage device: its checked header, byte reads of the
// volume, and its extents overflow, attributes and catalog trees. Read-only.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/Result.h"
#include "engine/hfsplus/HfsPlusForkExtents.h"
#include "engine/hfsplus/HfsPlusTrees.h"
#include "engine/hfsplus/journal/HfsPlusDeletedRecords.h"
#include "engine/hfsplus/journal/HfsPlusLiveVolume.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

class IStorageDevice;

namespace hfsplus {

class CHFSPlusFileCache;
class CHFSPlusRawfile;

class CHFSPlusVolume final : public IHFSPlusLiveVolume {
public:
    /// Opens the volume on `pDevice` (not owned), which must outlive it. The header must pass
    /// IsValidVolumeHeader, else code 6 and no trees. A volume without an attributes or extents
    /// file opens with that tree empty. With `bSkipCatalog` the catalog is left unopened.
    explicit CHFSPlusVolume(IStorageDevice* pDevice, bool bSkipCatalog = false);
    ~CHFSPlusVolume() override;
    CHFSPlusVolume(CHFSPlusVolume const&) = delete;
    CHFSPlusVolume& operator=(CHFSPlusVolume const&) = delete;

    RESULT GetLastError() const override { return m_result; }
    /// Null until a valid header was read.
    HFSPlusVolumeHeader const* GetHeader() const override { return m_header ? &*m_header : nullptr; }
    std::uint32_t GetBlockSize() const { return m_header ? m_header->u32BlockSize : 0; }
    std::uint32_t GetSectorSize() const { return m_u32SectorSize; }
    IStorageDevice* GetDevice() const { return m_pDevice; }

    /// Copies `u64Length` bytes from volume byte `u64Offset`; returns the bytes delivered.
    std::uint64_t Read(std::uint64_t u64Offset, void* pBuffer, std::uint64_t u64Length) override;

    /// A reader of the fork over this volume's device, its extents collected as below.
    std::unique_ptr<CHFSPlusRawfile> OpenFork(std::uint32_t u32FileID, std::uint8_t u8ForkType,
                                              HFSPlusForkData const& fork) const;
    /// A fork's extents, the overflow records taken from the extents tree, else from the
    /// journal's deleted records.
    ForkExtents CollectExtents(std::uint32_t u32FileID, std::uint8_t u8ForkType, HFSPlusForkData const& fork) const;
    /// The inline data of a file's extended attribute (ASCII name), from the attributes tree,
    /// else from the journal's deleted records; nullopt when neither has it inline.
    std::optional<std::vector<std::uint8_t>> getAttribute(std::uint32_t u32FileID, char const* pszName) const;
    /// Which special file holds volume byte `u64Offset`: 4 catalog, 3 extents, 8 attributes,
    /// 6 allocation, 7 startup, tested in that order; 0 when none.
    std::uint32_t GetNodeBelongToFile(std::uint64_t u64Offset) const;
    /// Whether volume byte `u64Offset` lies in one of the fork's extents.
    bool IsBelongToFile(std::uint32_t u32FileID, HFSPlusForkData const& fork, std::uint64_t u64Offset) const;

    /// The key of the root's "\0\0\0\0HFS+ Private Data" folder, which holds hard links' content.
    static CatalogKey PrivateDataKey();
    /// The id of that folder; 0 when the volume has none.
    std::uint32_t GetPrivateDataID() const { return m_u32PrivateDataID; }
    /// The file record "iNode<n>" of the private-data folder: what a hard link with special
    /// field `u32INode` shows, live or only in the journal. Nullopt without such a file (or
    /// when it is a link itself).
    std::optional<CatalogRecord> FindHardLinkTarget(std::uint32_t u32INode) const;

    /// Null when the catalog is not open.
    CHFSPlusCatalog* GetCatalog() const { return m_pCatalog.get(); }
    CHFSPlusAttribute const* GetAttributes() const { return m_pAttributes.get(); }
    CHFSPlusExtents const* GetExtents() const { return m_pExtents.get(); }
    /// The records only the journal holds; filled by the quick search's journal pass.
    CHFSPlusDeletedRecords& DeletedRecords() override { return m_deleted; }
    /// What the live trees answer the journal's pass: which special file holds a byte, and
    /// whether a catalog, extents or attributes record is still live.
    LiveVolumeQuery LiveQuery() const override;

private:
    RESULT Open(bool bSkipCatalog);

    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::uint32_t m_u32SectorSize = 0;
    RESULT m_result = MakeResult(kModuleHfsPlus, 0, 2);  // not ready until opened
    std::optional<HFSPlusVolumeHeader> m_header;
    std::vector<std::uint8_t> m_bounce;  // one device sector
    std::unique_ptr<CHFSPlusRawfile> m_pExtentsFile;
    std::unique_ptr<CHFSPlusExtents> m_pExtents;
    std::unique_ptr<CHFSPlusRawfile> m_pAttributesFile;
    std::unique_ptr<CHFSPlusAttribute> m_pAttributes;
    std::unique_ptr<CHFSPlusFileCache> m_pCatalogFile;
    std::unique_ptr<CHFSPlusCatalog> m_pCatalog;
    CHFSPlusDeletedRecords m_deleted;
    std::uint32_t m_u32PrivateDataID = 0;
};

}  // namespace hfsplus
