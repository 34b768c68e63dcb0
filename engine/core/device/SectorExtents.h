#pragma once
// Where the sectors of a view (the bytes of a file, in the file's order) lie on the device below
// it: extents of consecutive sectors, and the two questions asked of them, which device sectors a
// stretch of the view covers and what a view of a view reads from the device.
#include <cstdint>
#include <vector>

#include "engine/core/util/SpanSet.h"

/// `s64Count` sectors of a view from its sector `s64View` lie at device sector `s64Device`.
struct SectorExtent {
    std::int64_t s64View = 0;
    std::int64_t s64Device = 0;
    std::int64_t s64Count = 0;
    bool operator==(SectorExtent const&) const = default;
};

namespace sectorextents {

/// The extents sorted by view sector, with empty or negative ones left out and any sector an
/// earlier one maps left to it; none reaches `s64ViewSectors` or past.
std::vector<SectorExtent> Normalized(std::vector<SectorExtent> extents, std::int64_t s64ViewSectors);
/// The device sectors the view sectors `view` lie on; view sectors no extent maps lie nowhere.
CSpanSet ToDevice(CSpanSet const& view, std::vector<SectorExtent> const& extents);
/// A view `inner` of a view `outer` maps: `inner`'s view sectors straight to `outer`'s device.
std::vector<SectorExtent> Compose(std::vector<SectorExtent> const& inner, std::vector<SectorExtent> const& outer);
/// The extents of one stretch [s64First, s64End) of a view (the view sectors kept as they are).
std::vector<SectorExtent> Slice(std::vector<SectorExtent> const& extents, std::int64_t s64First, std::int64_t s64End);

}  // namespace sectorextents
