#pragma once
// Images whose content tells where it came from: every 512-byte unit holds its own unit number
// (a tagged little-endian u64 repeated 64 times), so a read is checked by content at any sector size.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

constexpr std::size_t kStampUnit = 512;

/// `u64Units` stamped units starting with unit 0, then `tailBytes` more bytes of the next unit.
std::vector<std::uint8_t> StampedBytes(std::uint64_t u64Units, std::size_t tailBytes = 0);
/// Writes StampedBytes to `path`; false when the file cannot be written.
bool WriteStampedImage(std::string const& path, std::uint64_t u64Units, std::size_t tailBytes = 0);

/// Whether `bytes` (a whole number of units) are the stamped units from `u64FirstUnit` on.
::testing::AssertionResult IsStamped(std::span<std::uint8_t const> bytes, std::uint64_t u64FirstUnit);
/// Whether every byte is zero.
::testing::AssertionResult IsZero(std::span<std::uint8_t const> bytes);

}  // namespace testsupport
