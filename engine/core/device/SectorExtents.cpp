#include "engine/core/device/SectorExtents.h"

#include <algorithm>
#include <cstdint>

namespace sectorextents {

std::vector<SectorExtent> Normalized(std::vector<SectorExtent> extents, std::int64_t s64ViewSectors) {
    std::stable_sort(extents.begin(), extents.end(),
                     [](SectorExtent const& a, SectorExtent const& b) { return a.s64View < b.s64View; });
    std::vector<SectorExtent> kept;
    std::int64_t s64Next = 0;
    for (SectorExtent extent : extents) {
        // Ends past the number line are damage, not sectors.
        if (extent.s64Count <= 0 || extent.s64View < 0 || extent.s64Device < 0 ||
            extent.s64View > INT64_MAX - extent.s64Count || extent.s64Device > INT64_MAX - extent.s64Count)
            continue;
        if (extent.s64View < s64Next) {
            std::int64_t const s64Skip = s64Next - extent.s64View;
            if (s64Skip >= extent.s64Count) continue;
            extent.s64View += s64Skip;
            extent.s64Device += s64Skip;
            extent.s64Count -= s64Skip;
        }
        if (extent.s64View >= s64ViewSectors) break;
        extent.s64Count = std::min(extent.s64Count, s64ViewSectors - extent.s64View);
        s64Next = extent.s64View + extent.s64Count;
        kept.push_back(extent);
    }
    return kept;
}

std::vector<SectorExtent> Slice(std::vector<SectorExtent> const& extents, std::int64_t s64First, std::int64_t s64End) {
    std::vector<SectorExtent> slice;
    auto it = std::upper_bound(
        extents.begin(), extents.end(), s64First,
        [](std::int64_t s64At, SectorExtent const& extent) { return s64At < extent.s64View + extent.s64Count; });
    for (; it != extents.end() && it->s64View < s64End; ++it) {
        std::int64_t const s64From = std::max(s64First, it->s64View);
        std::int64_t const s64To = std::min(s64End, it->s64View + it->s64Count);
        slice.push_back({s64From, it->s64Device + (s64From - it->s64View), s64To - s64From});
    }
    return slice;
}

CSpanSet ToDevice(CSpanSet const& view, std::vector<SectorExtent> const& extents) {
    CSpanSet device;
    for (CSpanSet::Span const& span : view.Spans())
        for (SectorExtent const& piece : Slice(extents, span.first, span.second))
            device.Add(piece.s64Device, piece.s64Device + piece.s64Count);
    return device;
}

std::vector<SectorExtent> Compose(std::vector<SectorExtent> const& inner, std::vector<SectorExtent> const& outer) {
    std::vector<SectorExtent> composed;
    for (SectorExtent const& extent : inner)
        for (SectorExtent const& piece : Slice(outer, extent.s64Device, extent.s64Device + extent.s64Count))
            composed.push_back({extent.s64View + (piece.s64View - extent.s64Device), piece.s64Device, piece.s64Count});
    return composed;
}

}  // namespace sectorextents
