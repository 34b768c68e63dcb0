#pragma once
// The MFT of a volume whose $MFT record and its $MFTMirr copy are lost, put back together from
// the FILE records found inside the volume. A record that stores its own number (NTFS 3.1)
// says where byte number × record size of the MFT lies on the volume; the clusters so placed
// are the MFT's runs, and the volume is then walked as if its $MFT record had named them.
//
// Records that agree with one another form extents: consecutive MFT clusters at one distance
// from their volume clusters. The boot sector that vouches for the volume names the cluster where
// its MFT starts: extents at that distance (they put record 0 there) are this MFT's, and an
// extent claiming any of their MFT clusters elsewhere (the MFT of a volume image stored as a
// file, the $MFTMirr's copies of the first records) belongs to another MFT: none of its records
// joins. Where other extents claim the same MFT clusters (a stale copy of a record, a forged
// number) the one most records back keeps them; the others' records stay outside the MFT.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSRebuiltMft {
public:
    /// Extents past this many are not kept: hostile records cost no more than this many.
    static constexpr std::size_t kMaxExtents = 4096;

    /// For a volume of `geometry` (its cluster and record sizes) that is `u64VolumeBytes` long,
    /// whose boot sector puts the MFT's first cluster at `s64MftCluster` (-1: unknown).
    CNTFSRebuiltMft(NtfsVolumeGeometry const& geometry, std::uint64_t u64VolumeBytes, std::int64_t s64MftCluster = -1);

    /// Notes record `u64Number` found at byte `u64VolumeByte` of the volume. A number whose
    /// record would lie past the volume's end, or a place that does not fit the number's
    /// offset within a cluster, is no evidence and is passed over.
    void Add(std::uint64_t u64Number, std::uint64_t u64VolumeByte);

    /// The MFT as the records place it; null when no record placed any of it.
    std::optional<CNTFSMftReader> Reader(IStorageDevice& device) const;
    /// Whether records lie where the boot sector puts the MFT.
    bool Anchored() const;
    /// Whether record `u64Number` at byte `u64VolumeByte` lies where the boot sector puts it.
    bool IsWhereTheBootSectorPutsIt(std::uint64_t u64Number, std::uint64_t u64VolumeByte) const {
        return IsWhereAnMftPutsIt(m_geometry, m_s64MftCluster, u64Number, u64VolumeByte);
    }
    /// Whether record `u64Number` at byte `u64VolumeByte` of a volume of `geometry` lies where an
    /// MFT in one piece from cluster `s64MftCluster` (-1: none) puts it.
    static bool IsWhereAnMftPutsIt(NtfsVolumeGeometry const& geometry, std::int64_t s64MftCluster,
                                   std::uint64_t u64Number, std::uint64_t u64VolumeByte);

private:
    struct Extent {
        std::int64_t s64FirstVCN;
        std::int64_t s64EndVCN;  // one past the last
        std::int64_t s64Shift;   // LCN - VCN
        std::uint64_t u64Records;
    };

    bool IsAnchored(Extent const& extent) const { return m_s64MftCluster >= 0 && extent.s64Shift == m_s64MftCluster; }

    NtfsVolumeGeometry m_geometry;
    std::uint64_t m_u64VolumeBytes;
    std::int64_t m_s64MftCluster;
    std::vector<Extent> m_extents;
};
