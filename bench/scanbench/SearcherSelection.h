#pragma once
// scanbench complete --searchers LIST: which complete searchers take part, so that one
// searcher's cost can be measured against the block pass alone.
#include <optional>
#include <string_view>

namespace scanbench {

/// Every searcher the engine builds.
constexpr unsigned kAllSearchers = 0x1F;

/// The searchers a comma-separated list names: hfs, exfat, fat, raw, ntfs, or "none" alone.
/// Null, after saying why on standard error, for an unknown or empty name.
std::optional<unsigned> ParseSearchers(std::string_view list);
/// Clears the entry-point table's complete-searcher factories `uSearchers` leaves out.
void KeepSearchers(unsigned uSearchers);

}  // namespace scanbench
