#include "engine/core/crossvolume/VolumeReport.h"

#include <algorithm>

#include "engine/core/crossvolume/FoundVolumes.h"

bool CVolumeUse::WantsUsed() const { return m_volumes.WantsUseOf(m_id); }

std::vector<std::int64_t> const& CVolumeUse::StartsInside() const { return m_volumes.StartsInside(m_id); }

bool CVolumeUse::HoldsStart(std::int64_t s64First, std::int64_t s64Count) const {
    std::vector<std::int64_t> const& starts = StartsInside();
    auto const first = std::lower_bound(starts.begin(), starts.end(), s64First);
    return first != starts.end() && *first - s64First < s64Count;
}

bool CVolumeUse::HoldsStart(std::span<SectorExtent const> extents) const {
    return std::any_of(extents.begin(), extents.end(),
                       [this](SectorExtent const& extent) { return HoldsStart(extent.s64Device, extent.s64Count); });
}

void CVolumeUse::AddUsed(std::int64_t s64First, std::int64_t s64Count) { m_volumes.AddUsed(m_id, s64First, s64Count); }

void CVolumeUse::AddStructure(std::int64_t s64First, std::int64_t s64Count) {
    m_volumes.AddStructure(m_id, s64First, s64Count);
}

void CVolumeUse::AddHoldingFile(HoldingFile file) {
    if (HoldsStart(file.extents)) m_volumes.AddHoldingFile(m_id, std::move(file));
}
