#pragma once
// A fork of the volume read by byte offset through its extents, straight from the device: the
// special files (catalog, extents overflow, attributes) and compressed files' resource forks
// are read this way. It knows the device, the block size and the extents, not the volume.
#include <cstdint>
#include <vector>

#include "engine/Result.h"
#include "engine/hfsplus/HfsPlusForkExtents.h"

class IStorageDevice;

namespace hfsplus {

class CHFSPlusRawfile {
public:
    /// Reads the fork of `u64LogicalSize` bytes laid out by `extents` (their result its own)
    /// from `pDevice` (not owned), in blocks of `u32BlockSize` bytes; a null device or a block
    /// size of 0 gives code 5.
    CHFSPlusRawfile(IStorageDevice* pDevice, std::uint32_t u32BlockSize, std::uint32_t u32FileID, ForkExtents extents,
                    std::uint64_t u64LogicalSize);
    virtual ~CHFSPlusRawfile() = default;
    CHFSPlusRawfile(CHFSPlusRawfile const&) = delete;
    CHFSPlusRawfile& operator=(CHFSPlusRawfile const&) = delete;

    /// Copies up to `u64Length` bytes from fork offset `u64Offset`; returns the bytes
    /// delivered, short at the fork's end, past its last extent, or on a failed device read.
    virtual std::uint64_t Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length);

    /// The fork's readable bytes: its logical size, at most what its extents cover.
    std::uint64_t GetSize() const { return m_u64Size; }
    RESULT GetLastError() const { return m_result; }
    std::uint32_t GetFileID() const { return m_u32FileID; }

protected:
    /// Reads from the device through the extents, without any cache.
    std::uint64_t ReadExtents(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length);

    IStorageDevice* m_pDevice = nullptr;  // not owned
    std::uint32_t m_u32BlockSize = 0;
    std::vector<std::uint8_t> m_bounce;  // one device sector
    std::uint32_t m_u32FileID = 0;
    std::vector<HFSPlusExtentDescriptor> m_extents;
    std::uint64_t m_u64Size = 0;
    RESULT m_result = kResultSuccess;
};

}  // namespace hfsplus
