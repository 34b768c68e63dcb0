#pragma once
// The clusters of one FAT volume whose folder entries are not the volume's own: those a live
// file of the volume holds (a volume image kept as a file), and those inside another volume
// found on the device. No folder's walk takes them for its further clusters, and none is read
// as a lost cluster: read with this volume's geometry, the other volume's entries would name
// this volume's clusters and be copied with its bytes.
//
// A live file's clusters are its chain where the table gives it. Where the table no longer
// answers they are guessed to follow its first cluster, and a file written into the holes of a
// used volume would seem to cover the clusters of folders grown between; such a file's clusters
// count only where its first sector is a volume's boot sector (an image).
#include <cstdint>
#include <map>
#include <unordered_map>

#include "engine/core/util/SpanSet.h"
#include "engine/fat/FATVolumeGeometry.h"

class IDataRunList;
class IStorageDevice;

class CFATForeignClusters {
public:
    CFATForeignClusters(IStorageDevice* pDevice, FATVolumeGeometry const& geometry)
        : m_pDevice(pDevice), m_geometry(geometry) {}

    /// Device sectors [s64First, s64End) of another volume found on the device.
    void AddOtherVolume(std::int64_t s64First, std::int64_t s64End);
    /// The runs (clusters counted from cluster 2) of a live file; `bChainKnown` when they are its
    /// chain, not guessed to follow its first cluster.
    void AddLiveFile(IDataRunList& runs, bool bChainKnown);
    /// Whether the cluster's folder entries are not the volume's.
    bool Holds(std::uint64_t u64Cluster);
    /// The same for a device sector, in the data area or before it.
    bool HoldsSector(std::int64_t s64Sector);

private:
    struct Guess {
        std::uint64_t u64End = 0;
        std::uint32_t u32FileFirst = 0;  // the file's first cluster, for the boot-sector test
    };
    using Guesses = std::map<std::uint64_t, Guess>;  // by first cluster; disjoint

    /// Adds a guessed span. Where it overlaps guesses held already, every file involved is
    /// tested at once: an image's span is then held for certain, any other's counts for nothing.
    /// So each cluster is judged by every guess holding it, and guesses stay disjoint.
    void AddGuess(std::uint64_t u64First, std::uint64_t u64End, std::uint32_t u32FileFirst);
    void Hold(std::uint64_t u64First, std::uint64_t u64End);
    /// Whether the file starting at `u32Cluster` starts with a volume's boot sector; read once.
    bool IsImage(std::uint32_t u32Cluster);

    IStorageDevice* m_pDevice;
    FATVolumeGeometry m_geometry;
    CSpanSet m_held;  // clusters of chains and of images
    Guesses m_guesses;
    CSpanSet m_volumes;  // device sectors
    std::unordered_map<std::uint32_t, bool> m_images;
};
