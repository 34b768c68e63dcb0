#pragma once
// A fork of the volume read by byte offset through its extents: the special files (catalog,
// extents overflow, attributes) are read this way.
#include <cstdint>
#include <vector>

#include "engine/Result.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

class CHFSPlusVolume;

class CHFSPlusRawfile {
public:
    /// Collects the fork's extents through the volume (not owned), its overflow extents looked
    /// up under `u8ForkType` (data 0x00, resource 0xFF); a null volume gives code 5.
    CHFSPlusRawfile(CHFSPlusVolume* pVolume, std::uint32_t u32FileID, std::uint8_t u8ForkType, HFSPlusForkData const& fork);
    virtual ~CHFSPlusRawfile() = default;
    CHFSPlusRawfile(CHFSPlusRawfile const&) = delete;
    CHFSPlusRawfile& operator=(CHFSPlusRawfile const&) = delete;

    /// Copies up to `u64Length` bytes from fork offset `u64Offset`; returns the bytes
    /// delivered, short at the fork's end, past its last extent, or on a failed volume read.
    virtual std::uint64_t Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length);

    /// The fork's readable bytes: its logical size, at most what its extents cover.
    std::uint64_t GetSize() const { return m_u64Size; }
    RESULT GetLastError() const { return m_result; }
    std::uint32_t GetFileID() const { return m_u32FileID; }

protected:
    /// Reads from the device through the extents, without any cache.
    std::uint64_t ReadExtents(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length);

    CHFSPlusVolume* m_pVolume = nullptr;  // not owned
    std::uint32_t m_u32FileID = 0;
    std::vector<HFSPlusExtentDescriptor> m_extents;
    std::uint64_t m_u64Size = 0;
    RESULT m_result = kResultSuccess;
};

}  // namespace hfsplus
