#pragma once
// SHA-256 of bytes and of files, as lower-case hex, for byte-exact comparisons.
#include <cstdint>
#include <span>
#include <string>

namespace testsupport {
std::string Sha256Hex(std::span<std::uint8_t const> bytes);
/// Empty when the file cannot be read.
std::string Sha256OfFile(std::string const& path);
}  // namespace testsupport
