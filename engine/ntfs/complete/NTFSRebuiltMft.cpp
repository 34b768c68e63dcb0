#include "engine/ntfs/complete/NTFSRebuiltMft.h"

#include <algorithm>
#include <map>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/ntfs/complete/NTFSSpanSet.h"

namespace {

/// Every record number costs the walk a look-up through the runs: a forged spread of records
/// makes no more runs than this.
constexpr std::size_t kMaxRuns = 512;

}  // namespace

CNTFSRebuiltMft::CNTFSRebuiltMft(NtfsVolumeGeometry const& geometry, std::uint64_t u64VolumeBytes,
                                 std::int64_t s64MftCluster)
    : m_geometry(geometry), m_u64VolumeBytes(u64VolumeBytes), m_s64MftCluster(s64MftCluster) {}

bool CNTFSRebuiltMft::IsWhereAnMftPutsIt(NtfsVolumeGeometry const& geometry, std::int64_t s64MftCluster,
                                         std::uint64_t u64Number, std::uint64_t u64VolumeByte) {
    auto const offset = engine::CheckedMul(u64Number, std::uint64_t{geometry.u32RecordSize});
    auto const mftByte = engine::CheckedMul(static_cast<std::uint64_t>(s64MftCluster), geometry.ClusterBytes());
    return s64MftCluster >= 0 && offset && mftByte && u64VolumeByte >= *mftByte && u64VolumeByte - *mftByte == *offset;
}

bool CNTFSRebuiltMft::Anchored() const {
    return std::any_of(m_extents.begin(), m_extents.end(), [this](Extent const& extent) { return IsAnchored(extent); });
}

void CNTFSRebuiltMft::Add(std::uint64_t u64Number, std::uint64_t u64VolumeByte) {
    std::uint64_t const u64Cluster = m_geometry.ClusterBytes();
    std::uint64_t const u64Record = m_geometry.u32RecordSize;
    auto const offset = engine::CheckedMul(u64Number, u64Record);
    if (u64Cluster == 0 || !offset || *offset > m_u64VolumeBytes || m_u64VolumeBytes - *offset < u64Record) return;
    if (*offset % u64Cluster != u64VolumeByte % u64Cluster) return;
    auto const s64FirstVCN = static_cast<std::int64_t>(*offset / u64Cluster);
    auto const s64EndVCN = static_cast<std::int64_t>((*offset + u64Record + u64Cluster - 1) / u64Cluster);
    std::int64_t const s64Shift = static_cast<std::int64_t>(u64VolumeByte / u64Cluster) - s64FirstVCN;
    if (!m_extents.empty()) {
        Extent& last = m_extents.back();
        if (last.s64Shift == s64Shift && s64FirstVCN >= last.s64FirstVCN && s64FirstVCN <= last.s64EndVCN) {
            last.s64EndVCN = std::max(last.s64EndVCN, s64EndVCN);
            ++last.u64Records;
            return;
        }
    }
    if (m_extents.size() < kMaxExtents) m_extents.push_back({s64FirstVCN, s64EndVCN, s64Shift, 1});
}

std::optional<CNTFSMftReader> CNTFSRebuiltMft::Reader(IStorageDevice& device) const {
    // The MFT clusters the boot sector's extents hold are theirs alone.
    CNTFSSpanSet anchored;
    for (Extent const& extent : m_extents)
        if (IsAnchored(extent)) anchored.Add(extent.s64FirstVCN, extent.s64EndVCN);
    // Those extents first, then the best-backed; each takes the MFT clusters no earlier one took.
    std::vector<std::size_t> order;
    for (std::size_t index = 0; index < m_extents.size(); ++index) {
        Extent const& extent = m_extents[index];
        if (IsAnchored(extent) || !anchored.Overlaps(extent.s64FirstVCN, extent.s64EndVCN)) order.push_back(index);
    }
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        bool const bAnchoredA = IsAnchored(m_extents[a]);
        bool const bAnchoredB = IsAnchored(m_extents[b]);
        if (bAnchoredA != bAnchoredB) return bAnchoredA;
        return m_extents[a].u64Records > m_extents[b].u64Records;
    });
    struct Taken {
        std::int64_t s64EndVCN;
        std::int64_t s64Shift;
    };
    std::map<std::int64_t, Taken> taken;  // by first VCN; disjoint
    for (std::size_t index : order) {
        Extent const& extent = m_extents[index];
        std::int64_t s64Cursor = extent.s64FirstVCN;
        if (auto const after = taken.upper_bound(s64Cursor); after != taken.begin())
            s64Cursor = std::max(s64Cursor, std::prev(after)->second.s64EndVCN);
        while (s64Cursor < extent.s64EndVCN) {
            auto const next = taken.lower_bound(s64Cursor);
            std::int64_t const s64Stop =
                next == taken.end() ? extent.s64EndVCN : std::min(extent.s64EndVCN, next->first);
            if (s64Stop > s64Cursor) taken.emplace(s64Cursor, Taken{s64Stop, extent.s64Shift});
            if (next == taken.end() || next->first >= extent.s64EndVCN) break;
            s64Cursor = next->second.s64EndVCN;
        }
    }
    CNTFSDataRunList runs;
    CDataRun run;
    std::int64_t s64RunShift = 0;
    std::size_t count = 0;
    for (auto const& [s64First, piece] : taken) {
        if (run.s64Count > 0 && run.s64VCN + run.s64Count == s64First && s64RunShift == piece.s64Shift) {
            run.s64Count += piece.s64EndVCN - s64First;
            continue;
        }
        if (run.s64Count > 0) runs.Add(run);
        if (++count > kMaxRuns) {
            run.s64Count = 0;
            break;
        }
        run = CDataRun{s64First + piece.s64Shift, s64First, piece.s64EndVCN - s64First};
        s64RunShift = piece.s64Shift;
    }
    if (run.s64Count > 0) runs.Add(run);
    if (runs.IsEmpty()) return std::nullopt;
    CDataRun const& last = runs.Runs().back();
    std::uint64_t const u64MftBytes =
        std::min(static_cast<std::uint64_t>(last.s64VCN + last.s64Count) * m_geometry.ClusterBytes(), m_u64VolumeBytes);
    return CNTFSMftReader(device, m_geometry, std::move(runs), u64MftBytes);
}
