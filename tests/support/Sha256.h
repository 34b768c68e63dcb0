#pragma once
// SHA-256 of bytes and of files, as lower-case hex, for byte-exact comparisons.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace testsupport {
std::string Sha256Hex(std::span<std::uint8_t const> bytes);
/// Empty when the file cannot be read.
std::string Sha256OfFile(std::string const& path);
/// SHA-256 -> how many regular files below `folder` have it; empty when the folder is missing.
/// A recovery's own log in the folder itself ("Quorin recovery log ...") is no recovered file
/// and is passed over.
std::map<std::string, int> HashCountsBelow(std::string const& folder);
/// The recovery logs in `folder` itself, sorted.
std::vector<std::string> RecoveryLogsIn(std::string const& folder);
}  // namespace testsupport
