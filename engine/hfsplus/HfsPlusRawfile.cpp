#include "engine/hfsplus/HfsPlusRawfile.h"

#include <algorithm>

#include "engine/hfsplus/HfsPlusResult.h"
#include "engine/hfsplus/HfsPlusVolume.h"

namespace hfsplus {

CHFSPlusRawfile::CHFSPlusRawfile(CHFSPlusVolume* pVolume, std::uint32_t u32FileID, std::uint8_t u8ForkType,
                                 HFSPlusForkData const& fork)
    : m_pVolume(pVolume), m_u32FileID(u32FileID) {
    if (m_pVolume == nullptr || m_pVolume->GetBlockSize() == 0) {
        m_result = HFSPLUS_RESULT(kCodeBadArgument);
        return;
    }
    ForkExtents collected = m_pVolume->CollectExtents(u32FileID, u8ForkType, fork);
    m_extents = std::move(collected.extents);
    m_result = collected.result;
    std::uint64_t u64Blocks = 0;
    for (HFSPlusExtentDescriptor const& extent : m_extents) u64Blocks += extent.u32BlockCount;
    m_u64Size = std::min(fork.u64LogicalSize, u64Blocks * m_pVolume->GetBlockSize());
}

std::uint64_t CHFSPlusRawfile::Read(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
    return ReadExtents(u64Offset, pBuffer, u64Length);
}

std::uint64_t CHFSPlusRawfile::ReadExtents(std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
    if (m_pVolume == nullptr || pBuffer == nullptr || u64Offset >= m_u64Size) return 0;
    u64Length = std::min(u64Length, m_u64Size - u64Offset);
    std::uint64_t const u64BlockSize = m_pVolume->GetBlockSize();
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
            std::uint64_t const u64Got = m_pVolume->Read(u64Volume, pBuffer + u64Done, u64Piece);
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
