#include "engine/hfsplus/HfsPlusRawfile.h"

#include <algorithm>

#include "engine/IStorageDevice.h"
#include "engine/hfsplus/HfsPlusDeviceBytes.h"
#include "engine/hfsplus/HfsPlusResult.h"

namespace hfsplus {

CHFSPlusRawfile::CHFSPlusRawfile(IStorageDevice* pDevice, std::uint32_t u32BlockSize, std::uint32_t u32FileID,
                                 ForkExtents extents, std::uint64_t u64LogicalSize)
    : m_pDevice(pDevice), m_u32BlockSize(u32BlockSize), m_u32FileID(u32FileID) {
    if (m_pDevice == nullptr || m_u32BlockSize == 0 || m_pDevice->GetSectorSize() <= 0) {
        m_pDevice = nullptr;
        m_result = HFSPLUS_RESULT(kCodeBadArgument);
        return;
    }
    m_bounce.assign(static_cast<std::size_t>(m_pDevice->GetSectorSize()), 0);
    m_extents = std::move(extents.extents);
    m_result = extents.result;
    std::uint64_t u64Blocks = 0;
    for (HFSPlusExtentDescriptor const& extent : m_extents) u64Blocks += extent.u32BlockCount;
    m_u64Size = std::min(u64LogicalSize, u64Blocks * m_u32BlockSize);
}

std::uint64_t CHFSPlusRawfile::Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
    return ReadExtents(u64Offset, pBuffer, u64Length);
}

std::uint64_t CHFSPlusRawfile::ReadExtents(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
    if (m_pDevice == nullptr || pBuffer == nullptr || u64Offset >= m_u64Size) return 0;
    u64Length = std::min(u64Length, m_u64Size - u64Offset);
    std::uint64_t const u64BlockSize = m_u32BlockSize;
    std::uint64_t u64Done = 0;
    std::uint64_t u64ExtentStart = 0;  // fork offset of the extent's first byte
    for (HFSPlusExtentDescriptor const& extent : m_extents) {
        if (u64Done == u64Length) break;
        std::uint64_t const u64ExtentBytes = std::uint64_t{extent.u32BlockCount} * u64BlockSize;
        std::uint64_t const u64At = u64Offset + u64Done;
        if (u64At < u64ExtentStart + u64ExtentBytes) {
            std::uint64_t const u64Within = u64At - u64ExtentStart;
            std::uint64_t const u64Piece = std::min(u64ExtentBytes - u64Within, u64Length - u64Done);
            std::uint64_t const u64Volume = std::uint64_t{extent.u32StartBlock} * u64BlockSize + u64Within;
            std::uint64_t const u64Got = ReadDeviceBytes(*m_pDevice, u64Volume, pBuffer + u64Done, u64Piece, m_bounce);
            u64Done += u64Got;
            if (u64Got != u64Piece) {
                m_result = HFSPLUS_RESULT(kCodeShortRead);
                return u64Done;
            }
        }
        u64ExtentStart += u64ExtentBytes;
    }
    return u64Done;
}

}  // namespace hfsplus
