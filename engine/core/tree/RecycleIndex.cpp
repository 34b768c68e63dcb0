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
constexpr std::size_t kFixedPathBytes = 520;
constexpr std::size_t kPathUnitsOffset = 24;
constexpr std::size_t kCountedPathOffset = 28;
constexpr std::uint16_t kColon = u':';
constexpr std::uint16_t kBackslash = u'\\';

/// The path's UTF-16 units by the layout of the index file's version, up to its NUL; nothing
/// for an unknown version or a path that does not end inside the bytes (it would be cut).
std::optional<std::vector<std::uint16_t>> PathUnits(engine::ByteView bytes) {
    if (!bytes.Has(kVersionOffset, 8)) return std::nullopt;
    std::uint64_t const u64Version = bytes.Le64(kVersionOffset);
    engine::ByteView area;
    bool bEndTerminates = false;
    if (u64Version == kVersionFixedPath) {
        area = bytes.From(kFixedPathOffset);
        area = area.Sub(0, std::min(area.Size(), kFixedPathBytes));
    } else if (u64Version == kVersionCountedPath && bytes.Has(kPathUnitsOffset, 4)) {
        engine::ByteView const rest = bytes.From(kCountedPathOffset);
        std::uint64_t const u64Bytes = std::uint64_t{bytes.Le32(kPathUnitsOffset)} * 2;
        if (u64Bytes > rest.Size()) return std::nullopt;
        area = rest.Sub(0, static_cast<std::size_t>(u64Bytes));
        bEndTerminates = true;
    } else {
        return std::nullopt;
    }
    std::vector<std::uint16_t> units;
    for (std::size_t offset = 0; area.Has(offset, 2); offset += 2) {
        std::uint16_t const u16Unit = area.Le16(offset);
        if (u16Unit == 0) return units;
        units.push_back(u16Unit);
    }
    if (!bEndTerminates) return std::nullopt;
    return units;
}

bool IsSafeComponent(std::string const& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

std::optional<std::string> OriginalName(engine::ByteView bytes) {
    std::optional<std::vector<std::uint16_t>> const path =
        PathUnits(bytes.Sub(0, std::min(bytes.Size(), kIndexReadBytes)));
    if (!path) return std::nullopt;
    std::vector<std::uint16_t> const& units = *path;
    // The drive letter comes first, then ":\"; the path runs from the letter to the NUL.
    std::size_t colon = 1;
    while (colon + 1 < units.size() && !(units[colon] == kColon && units[colon + 1] == kBackslash)) ++colon;
    if (colon + 1 >= units.size()) return std::nullopt;
    auto const lastSlash = std::find(units.rbegin(), units.rend() - static_cast<std::ptrdiff_t>(colon), kBackslash);
    auto const nameOffset = static_cast<std::size_t>(lastSlash.base() - units.begin());
    std::span<std::uint16_t const> const nameUnits = std::span<std::uint16_t const>(units).subspan(nameOffset);
    if (nameUnits.size() > kMaxNameUnits) return std::nullopt;

    std::string name;
    engine::AppendUtf8Bounded(name, engine::Utf16ToUtf8(nameUnits), kMaxNameBytes);
    if (!IsSafeComponent(name)) return std::nullopt;
    return name;
}

}  // namespace recycle
