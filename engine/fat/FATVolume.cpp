#include "engine/fat/FATVolume.h"

#include <set>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/fat/ondisk/FATWidth.h"
#include "engine/fat/ondisk/TempFATDBR.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace {
/// A folder holds at most 65,536 entries: no root chain is longer than these bytes.
constexpr std::uint64_t kMaxFolderBytes = 65536 * 32;
constexpr std::uint32_t kFat32LinkMask = 0x0FFFFFFF;
bool IsUsedCluster(std::uint64_t u64Cluster) { return u64Cluster >= 2 && u64Cluster <= 0x0FFFFFEF; }
}  // namespace

std::uint64_t CFATVolume::ConvertClusterToSector(std::uint64_t u64Start, CTempFATDBR const& bootSector,
                                                 std::uint64_t u64Cluster) {
    if (!bootSector.IsValidDBR() || u64Cluster < 2) return ~std::uint64_t{0};
    return u64Start + bootSector.GetFirstDataSector() +
           std::uint64_t{bootSector.GetSectorsperCluster()} * (u64Cluster - 2);
}

int CFATVolume::LabelInSectors(std::uint64_t u64Sector, std::uint32_t u32Count, std::string& label) const {
    int const iSectorSize = m_pDevice->GetSectorSize();
    if (iSectorSize <= 0 || u32Count == 0) return -1;
    std::vector<std::uint8_t> bytes(std::size_t{u32Count} * static_cast<std::size_t>(iSectorSize));
    if (!m_pDevice->ReadSector(bytes.data(), static_cast<long long>(u64Sector), u32Count)) return -1;
    for (std::size_t off = 0; off + CTempFATDirEntry::kSize <= bytes.size(); off += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(engine::ByteView(bytes.data() + off, CTempFATDirEntry::kSize));
        if (!entry.IsValidFATDirEntry(false)) return -1;
        if (entry.IsErased() || entry.IsLongFileNameEntry() || !entry.IsVolumeLabel()) continue;
        if (entry.IsNeverUsed()) return -1;
        label = entry.GetShortName(true);
        return 1;
    }
    return 0;
}

std::string CFATVolume::GetPartitionLabel(std::uint64_t u64Start, CTempFATDBR const& bootSector) const {
    std::string label;
    if (!m_pDevice) return label;
    std::uint32_t const u32Spc = bootSector.GetSectorsperCluster();
    if (u32Spc == 0) return label;
    std::uint64_t const u64Reserved = bootSector.GetReservedSector();
    if (fat::HasFixedRoot(bootSector.GetFileSystemType())) {
        std::uint32_t const u32RootSectors = bootSector.GetRootDirSectors();
        std::uint64_t const u64Root = u64Start + bootSector.GetFirstDataSector() - u32RootSectors;
        for (std::uint32_t k = 0; u32RootSectors > 0 && k <= (u32RootSectors - 1) / u32Spc; ++k)
            if (LabelInSectors(u64Root + std::uint64_t{k} * u32Spc, u32Spc, label) != 0) break;
        return label;
    }
    if (bootSector.GetFileSystemType() != FILE_SYSTEM_FAT32) return label;

    int const iSectorSize = m_pDevice->GetSectorSize();
    std::uint64_t const u64ClusterBytes = std::uint64_t{u32Spc} * static_cast<std::uint64_t>(iSectorSize);
    std::uint64_t const u64MaxClusters = (kMaxFolderBytes + u64ClusterBytes - 1) / u64ClusterBytes;
    std::uint64_t const u64EntriesPerChunk = u64ClusterBytes / 4;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(u64ClusterBytes));
    std::uint64_t u64LoadedChunk = ~std::uint64_t{0};
    std::set<std::uint64_t> visited;
    for (std::uint64_t c = bootSector.GetRootDirStartCluster(); IsUsedCluster(c) && visited.size() < u64MaxClusters;) {
        if (!visited.insert(c).second) break;  // the root chain loops
        if (LabelInSectors(ConvertClusterToSector(u64Start, bootSector, c), u32Spc, label) != 0) break;
        std::uint64_t const u64Chunk = c / u64EntriesPerChunk;
        if (u64Chunk != u64LoadedChunk) {
            if (!m_pDevice->ReadSector(chunk.data(), static_cast<long long>(u64Start + u64Reserved + u64Chunk * u32Spc),
                                       u32Spc))
                break;
            u64LoadedChunk = u64Chunk;
        }
        c = engine::ByteView(chunk.data(), chunk.size()).Le32(static_cast<std::size_t>(c % u64EntriesPerChunk) * 4) &
            kFat32LinkMask;
    }
    return label;
}
