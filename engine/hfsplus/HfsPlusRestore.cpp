#include "engine/hfsplus/HfsPlusRestore.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/FileNode.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/device/PartitionVirtualVolumeDevice.h"
#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/decmpfs/DecmpfsHeader.h"

namespace hfsplus {

namespace {

/// The window (when the volume does not start the device) and the volume read through it.
struct RestoredVolume {
    std::unique_ptr<CPartitionVirtualVolumeDevice> pWindow;
    std::unique_ptr<CHFSPlusVolume> pVolume;
};

/// One resource-fork extent in volume bytes.
struct ForkExtent {
    std::uint64_t u64ForkOffset = 0;
    std::uint64_t u64VolumeOffset = 0;
    std::uint64_t u64Length = 0;
};

/// The fork's extents in bytes, in fork order; empty when a run is a hole, out of range or the
/// sizes overflow.
std::vector<ForkExtent> ExtentsOfRuns(IDataRunList& runs, std::uint64_t u64BlockSize) {
    std::vector<ForkExtent> extents;
    std::uint64_t u64ForkOffset = 0;
    for (DataRun const* pRun = runs.GetFirst(); pRun != nullptr; pRun = runs.GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) return {};
        auto const volumeOffset =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(pRun->s64Start), u64BlockSize);
        auto const length =
            engine::CheckedMul<std::uint64_t>(static_cast<std::uint64_t>(pRun->s64Length), u64BlockSize);
        auto const next = length ? engine::CheckedAdd(u64ForkOffset, *length) : std::nullopt;
        if (!volumeOffset || !next) return {};
        extents.push_back({u64ForkOffset, *volumeOffset, *length});
        u64ForkOffset = *next;
    }
    return extents;
}

}  // namespace

std::shared_ptr<CHFSPlusVolume> OpenVolumeForRestore(IStorageDevice* pDevice, unsigned long long u64StartSector) {
    if (pDevice == nullptr) return nullptr;
    auto pHolder = std::make_shared<RestoredVolume>();
    IStorageDevice* pVolumeDevice = pDevice;
    if (u64StartSector != 0) {
        long long const s64Total = pDevice->GetTotalSectors();
        if (u64StartSector >= static_cast<unsigned long long>(std::max<long long>(s64Total, 0))) return nullptr;
        auto const s64Start = static_cast<long long>(u64StartSector);
        // As the complete search reads a volume it found: a window onto the disk, not opened.
        pHolder->pWindow = std::make_unique<CPartitionVirtualVolumeDevice>(pDevice, s64Start, s64Total - s64Start);
        pVolumeDevice = pHolder->pWindow.get();
    }
    pHolder->pVolume = std::make_unique<CHFSPlusVolume>(pVolumeDevice);
    if (pHolder->pVolume->GetHeader() == nullptr || pHolder->pVolume->GetBlockSize() == 0) return nullptr;
    CHFSPlusVolume* pVolume = pHolder->pVolume.get();
    return std::shared_ptr<CHFSPlusVolume>(std::move(pHolder), pVolume);
}

IFileReader* CreateRestoredCompressFileReader(CHFSPlusVolume* pVolume, IFileNode* pNode) {
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    if (pVolume == nullptr || pFileNode == nullptr || !pFileNode->IsCompressed()) return nullptr;
    long long const s64ID = pFileNode->GetCurrentNodeID();
    if (s64ID <= 0 || s64ID > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    auto const u32FileID = static_cast<std::uint32_t>(s64ID);
    std::optional<std::vector<std::uint8_t>> const attribute = pVolume->getAttribute(u32FileID, kDecmpfsAttributeName);
    if (!attribute) return nullptr;

    std::vector<ForkExtent> extents;
    if (IDataRunList* pRuns = pFileNode->GetDataRunList()) extents = ExtentsOfRuns(*pRuns, pVolume->GetBlockSize());
    std::uint64_t const u64ForkSize = extents.empty() ? 0 : extents.back().u64ForkOffset + extents.back().u64Length;
    auto readFork = [pVolume, extents](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) {
        std::uint64_t u64Done = 0;
        for (ForkExtent const& extent : extents) {
            if (u64Done == u64Length) break;
            std::uint64_t const u64Want = u64Offset + u64Done;
            if (u64Want < extent.u64ForkOffset || u64Want - extent.u64ForkOffset >= extent.u64Length) continue;
            std::uint64_t const u64Within = u64Want - extent.u64ForkOffset;
            std::uint64_t const u64Step = std::min(extent.u64Length - u64Within, u64Length - u64Done);
            std::uint64_t const u64Got = pVolume->Read(extent.u64VolumeOffset + u64Within, pBuffer + u64Done, u64Step);
            u64Done += u64Got;
            if (u64Got != u64Step) break;
        }
        return u64Done;
    };
    return CHFSPlusCompressFileReader::Open(*attribute, std::move(readFork), u64ForkSize);
}

}  // namespace hfsplus
