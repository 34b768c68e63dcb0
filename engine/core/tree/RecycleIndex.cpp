#include "engine/core/tree/RecycleIndex.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/util/Utf16.h"

namespace recycle {

namespace {

constexpr std::uint64_t kVersionFixedPath = 1;
constexpr std::uint64_t kVersionCountedPath = 2;
constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kFixedPathOffset = 24;
constexpr std::size_t kPathUnitsOffset = 24;
constexpr std::size_t kCountedPathOffset = 28;
constexpr std::uint16_t kColon = u':';
constexpr std::uint16_t kBackslash = u'\\';

/// The path's bytes by the layout of the index file's version; empty for an unknown one.
engine::ByteView PathArea(engine::ByteView bytes) {
    if (!bytes.Has(kVersionOffset, 8)) return {};
    std::uint64_t const u64Version = bytes.Le64(kVersionOffset);
    if (u64Version == kVersionFixedPath) return bytes.From(kFixedPathOffset);
    if (u64Version != kVersionCountedPath || !bytes.Has(kPathUnitsOffset, 4)) return {};
    engine::ByteView const rest = bytes.From(kCountedPathOffset);
    std::size_t const units = std::min<std::size_t>(bytes.Le32(kPathUnitsOffset), rest.Size() / 2);
    return rest.Sub(0, units * 2);
}

/// The UTF-16 units of the area up to the first NUL or its end.
std::vector<std::uint16_t> UnitsToNul(engine::ByteView area) {
    std::vector<std::uint16_t> units;
    for (std::size_t offset = 0; area.Has(offset, 2); offset += 2) {
        std::uint16_t const u16Unit = area.Le16(offset);
        if (u16Unit == 0) break;
        units.push_back(u16Unit);
    }
    return units;
}

bool IsSafeComponent(std::string const& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

std::optional<std::string> OriginalName(engine::ByteView bytes) {
    std::vector<std::uint16_t> const units = UnitsToNul(PathArea(bytes.Sub(0, std::min(bytes.Size(), kIndexReadBytes))));
    // The drive letter comes first, then ":\"; the path runs from the letter to the NUL.
    std::size_t drive = 1;
    while (drive + 1 < units.size() && !(units[drive] == kColon && units[drive + 1] == kBackslash)) ++drive;
    if (drive + 1 >= units.size()) return std::nullopt;
    auto const lastSlash = std::find(units.rbegin(), units.rend() - static_cast<std::ptrdiff_t>(drive), kBackslash);
    auto const nameOffset = static_cast<std::size_t>(lastSlash.base() - units.begin());
    std::span<std::uint16_t const> const nameUnits = std::span<std::uint16_t const>(units).subspan(nameOffset);
    if (nameUnits.size() > kMaxNameUnits) return std::nullopt;

    std::string name;
    engine::AppendUtf8Bounded(name, engine::Utf16ToUtf8(nameUnits), kMaxNameBytes);
    if (!IsSafeComponent(name)) return std::nullopt;
    return name;
}

}  // namespace recycle
