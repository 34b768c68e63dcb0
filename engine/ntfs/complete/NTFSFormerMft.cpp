#include "engine/ntfs/complete/NTFSFormerMft.h"

#include <algorithm>
#include <vector>

#include "engine/core/bytes/CheckedMath.h"

CNTFSFormerMft::CNTFSFormerMft(NtfsVolumeGeometry const& geometry, std::int64_t s64MftCluster,
                               std::uint64_t u64LiveRecords)
    : m_geometry(geometry),
      m_s64MftCluster(s64MftCluster),
      m_u64FirstStretchEnd(std::max(u64LiveRecords, kHeadRecords)) {}

std::optional<std::int64_t> CNTFSFormerMft::ShiftOf(std::uint64_t u64Number, std::uint64_t u64VolumeByte) const {
    std::uint64_t const u64Cluster = m_geometry.ClusterBytes();
    auto const offset = engine::CheckedMul(u64Number, std::uint64_t{m_geometry.u32RecordSize});
    if (u64Cluster == 0 || !offset || *offset > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
    // An MFT maps whole clusters: a record off its number's place within a cluster is no record
    // of any MFT of this volume.
    if (*offset % u64Cluster != u64VolumeByte % u64Cluster) return std::nullopt;
    return static_cast<std::int64_t>(u64VolumeByte / u64Cluster) - static_cast<std::int64_t>(*offset / u64Cluster);
}

void CNTFSFormerMft::Add(std::uint64_t u64Number, std::uint64_t u64VolumeByte, bool bClaimed) {
    std::optional<std::int64_t> const shift = ShiftOf(u64Number, u64VolumeByte);
    if (!shift) return;
    if (IsFirstStretch(*shift)) {
        m_u64FirstStretchEnd = std::max(m_u64FirstStretchEnd, u64Number + 1);
        return;
    }
    auto it = m_extents.find(*shift);
    if (it == m_extents.end()) {
        if (m_extents.size() >= kMaxExtents) {
            m_bFull = true;
            return;
        }
        it = m_extents.emplace(*shift, Extent{u64Number, u64Number}).first;
    }
    Extent& extent = it->second;
    extent.u64First = std::min(extent.u64First, u64Number);
    extent.u64Last = std::max(extent.u64Last, u64Number);
    extent.bClaimed = extent.bClaimed || bClaimed;
}

void CNTFSFormerMft::Settle() {
    std::vector<Extent*> fragments;
    bool bRival = m_bFull;
    for (auto& [s64Shift, extent] : m_extents) {
        // The first stretch holds records 0-15 at least: an extent reaching below its end heads
        // or repeats another MFT.
        bool const bOther = extent.bClaimed || extent.u64First < m_u64FirstStretchEnd;
        extent.verdict = bOther ? Verdict::kOther : Verdict::kOwn;
        if (!bOther) fragments.push_back(&extent);
        // Another MFT that no $MFT record places (a deleted image's whose record 0 is lost) may
        // have fragments of its own past its head: they look like the former MFT's.
        bRival = bRival || (!extent.bClaimed && bOther && extent.u64Last >= kHeadRecords);
    }
    // Fragments whose numbers overlap: one MFT maps each number once.
    std::sort(fragments.begin(), fragments.end(),
              [](Extent const* pA, Extent const* pB) { return pA->u64First < pB->u64First; });
    Extent* pReach = nullptr;  // the fragment reaching furthest so far
    for (Extent* pExtent : fragments) {
        bool const bOverlaps = pReach != nullptr && pExtent->u64First <= pReach->u64Last;
        if (bOverlaps) pReach->verdict = Verdict::kNoted;
        if (bOverlaps || bRival) pExtent->verdict = Verdict::kNoted;
        if (pReach == nullptr || pExtent->u64Last > pReach->u64Last) pReach = pExtent;
    }
}

CNTFSFormerMft::Verdict CNTFSFormerMft::Judge(std::uint64_t u64Number, std::uint64_t u64VolumeByte) const {
    std::optional<std::int64_t> const shift = ShiftOf(u64Number, u64VolumeByte);
    if (!shift || m_s64MftCluster < 0) return Verdict::kOther;  // no first stretch to continue
    if (IsFirstStretch(*shift)) return Verdict::kOwn;
    auto const it = m_extents.find(*shift);
    if (it != m_extents.end()) return it->second.verdict;
    return m_bFull ? Verdict::kNoted : Verdict::kOther;
}
