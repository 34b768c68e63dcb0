#pragma once
// Hand-made exFAT bytes for the structure tests: a boot sector, entry sets, and a small volume
// image laid out the way mkfs.exfat lays one out.
#include <cstdint>
#include <string>
#include <vector>

namespace exfattest {

constexpr std::uint32_t kDosTime =
    (44u << 25) | (6u << 21) | (15u << 16) | (10u << 11) | (30u << 5) | 7u;  // 2024-06-15 10:30:14

/// A valid boot sector of 512-byte sectors: FAT at 128 (`u32FatSectors` long), heap at 256,
/// `u32Clusters` clusters of 2^`u8ClusterShift` sectors, root at cluster 4.
std::vector<std::uint8_t> BootSector(std::uint32_t u32Clusters = 64, std::uint8_t u8ClusterShift = 0,
                                     std::uint32_t u32FatSectors = 8);

struct SetShape {
    std::u16string name;
    std::uint32_t u32FirstCluster = 0;
    std::uint64_t u64Size = 0;
    bool bFolder = false;
    bool bDeleted = false;
    bool bNoFatChain = true;
};
/// The file, stream and name entries of one set, with its checksum.
std::vector<std::uint8_t> EntrySet(SetShape const& shape);

/// A volume of 512-byte sectors and 512-byte clusters built in memory.
class Volume {
public:
    static constexpr std::uint32_t kClusters = 64;
    static constexpr std::uint32_t kRootCluster = 4;
    Volume();
    /// Writes `bytes` at the start of `u32Cluster` (spilling into the next clusters).
    void PutCluster(std::uint32_t u32Cluster, std::vector<std::uint8_t> const& bytes);
    void SetFat(std::uint32_t u32Cluster, std::uint32_t u32Next);
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    static std::uint64_t SectorOf(std::uint32_t u32Cluster) { return 256 + (u32Cluster - 2); }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace exfattest
