#pragma once
// The MFT of a volume whose $MFT record and its $MFTMirr copy are lost, put back together from
// the FILE records found inside the volume. A record that stores its own number (NTFS 3.1)
// says where byte number × record size of the MFT lies on the volume; the clusters so placed
// are the MFT's runs, and the volume is then walked as if its $MFT record had named them.
//
// Records that agree with one another form extents: consecutive MFT clusters at one distance
// from their volume clusters. Where extents claim the same MFT clusters (the $MFTMirr's copies
// of the first records, a stale copy of a record, a forged number) the one most records back
// keeps them; the others' records stay outside the MFT and are shown as loose records.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/ondisk/NTFSDataRunList.h"

class CNTFSRebuiltMft {
public:
    /// Extents past this many are not kept: hostile records cost no more than this many.
    static constexpr std::size_t kMaxExtents = 4096;

    /// For a volume of `geometry` (its cluster and record sizes) that is `u64VolumeBytes` long.
    CNTFSRebuiltMft(NtfsVolumeGeometry const& geometry, std::uint64_t u64VolumeBytes);

    /// Notes record `u64Number` found at byte `u64VolumeByte` of the volume. A number whose
    /// record would lie past the volume's end, or a place that does not fit the number's
    /// offset within a cluster, is no evidence and is passed over.
    void Add(std::uint64_t u64Number, std::uint64_t u64VolumeByte);

    /// The MFT as the records place it; null when no record placed any of it.
    std::optional<CNTFSMftReader> Reader(IStorageDevice& device) const;

private:
    struct Extent {
        std::int64_t s64FirstVCN;
        std::int64_t s64EndVCN;  // one past the last
        std::int64_t s64Shift;   // LCN - VCN
        std::uint64_t u64Records;
    };

    NtfsVolumeGeometry m_geometry;
    std::uint64_t m_u64VolumeBytes;
    std::vector<Extent> m_extents;
};
