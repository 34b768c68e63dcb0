#pragma once
// exFAT cluster numbers: the heap's clusters are numbered from 2; numbers above the last one are
// the FAT's bad-cluster and end marks.
#include <cstdint>

namespace exfat {

constexpr std::uint32_t kFirstClusterNumber = 2;
constexpr std::uint32_t kLastClusterNumber = 0xFFFFFFF5;

/// Whether `u32Cluster` is a cluster number at all (not free, bad or an end mark).
constexpr bool NamesCluster(std::uint32_t u32Cluster) {
    return u32Cluster >= kFirstClusterNumber && u32Cluster <= kLastClusterNumber;
}

}  // namespace exfat
