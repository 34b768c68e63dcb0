#include "engine/fat/FATWalkState.h"

#include "engine/fat/FATBuildDataRun.h"
#include "engine/fat/FATFileNode.h"

namespace {

std::uint64_t MaxFolders(FATVolumeGeometry const& geometry) {
    std::uint64_t const u64EntriesPerChunk = std::uint64_t{kFATFolderChunkSectors} * geometry.u32SectorSize / 32;
    std::uint64_t const u64RootEntries = std::uint64_t{geometry.u32RootSectors} * geometry.u32SectorSize / 32;
    return std::uint64_t{geometry.u32Clusters} * u64EntriesPerChunk + u64RootEntries + 1;
}

}  // namespace

FATWalkState::FATWalkState(FATVolumeGeometry const& geometry, IStorageDevice* pDevice)
    : walk(MaxFolders(geometry),
           [] {
               // Shared with the empty files: neither may take a number a cluster or the other has.
               return static_cast<long long>(
                   CEmptyFileVirtualClusterNum::GetEmptyFileVirtualClusterNumObject().GetVirtualClusterNum());
           }),
      foreign(pDevice, geometry) {}
