#pragma once
// Which FILE records found inside a volume but outside its MFT were records of the volume's
// former MFT: the one a quick format replaced, whose records all stay on the disk. A record that
// stores its number n and lies at volume byte b puts VCN n x record size of its MFT at b; the
// records of one MFT extent share that distance (LCN - VCN, its "shift"), so each shift is one
// extent of some MFT.
//
// The extent where the boot sector puts the MFT is the former MFT's first stretch. An MFT that
// grew in fragments continues it elsewhere, each fragment at a shift of its own: an extent is
// such a fragment when its numbers lie past the first stretch, it holds none of records 0-15
// (those head an MFT: a volume image's, or the $MFTMirr's copies) and no other volume's MFT
// claims its sectors. An extent whose numbers fall inside the first stretch is another MFT's.
// Two fragments claiming the same numbers cannot both be the former MFT's, and nothing tells
// which is; nor can fragments be told from another MFT's while such an MFT, placed by no $MFT
// record, lies on the volume: their records are listed with a note.
#include <cstdint>
#include <map>
#include <optional>

#include "engine/ntfs/NTFSMftReader.h"

class CNTFSFormerMft {
public:
    enum class Verdict {
        kOwn,    // a record of the volume's former MFT
        kNoted,  // perhaps: listed, its copy noted as possibly another file's bytes
        kOther,  // another MFT's
    };
    /// Extents past this many are not told apart: the records of every fragment are noted.
    static constexpr std::size_t kMaxExtents = 4096;
    /// Records 0-15 are the system records at the head of every MFT.
    static constexpr std::uint64_t kHeadRecords = 16;

    /// For a volume of `geometry` whose boot sector puts the MFT at cluster `s64MftCluster` (-1:
    /// unknown) and whose MFT now maps its first `u64LiveRecords` records there.
    CNTFSFormerMft(NtfsVolumeGeometry const& geometry, std::int64_t s64MftCluster, std::uint64_t u64LiveRecords);

    /// Notes record `u64Number` found at byte `u64VolumeByte` of the volume outside its MFT;
    /// `bClaimed` when another volume's MFT holds that place.
    void Add(std::uint64_t u64Number, std::uint64_t u64VolumeByte, bool bClaimed);
    /// Judges the extents; after the last Add, before any Judge.
    void Settle();
    /// Whose record `u64Number` at byte `u64VolumeByte` is, by what was added.
    Verdict Judge(std::uint64_t u64Number, std::uint64_t u64VolumeByte) const;

private:
    struct Extent {
        std::uint64_t u64First;  // the lowest number found at this shift
        std::uint64_t u64Last;   // the highest
        bool bClaimed = false;
        Verdict verdict = Verdict::kNoted;
    };
    /// The shift of a record, in clusters; none where no extent of this volume's MFTs can put it.
    std::optional<std::int64_t> ShiftOf(std::uint64_t u64Number, std::uint64_t u64VolumeByte) const;
    bool IsFirstStretch(std::int64_t s64Shift) const { return m_s64MftCluster >= 0 && s64Shift == m_s64MftCluster; }

    NtfsVolumeGeometry m_geometry;
    std::int64_t m_s64MftCluster;
    std::uint64_t m_u64FirstStretchEnd;        // one past the first stretch's highest number known
    std::map<std::int64_t, Extent> m_extents;  // by shift
    bool m_bFull = false;                      // a shift went unnoted
};
