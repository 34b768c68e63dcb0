#pragma once
// Helpers for the results-file container tests: raw file images, GUIDs, thrown codes, children.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/IRSData.h"

namespace archivetest {

std::vector<std::uint8_t> ReadAll(std::string const& path);
void WriteAll(std::string const& path, std::span<std::uint8_t const> bytes);

/// A GUID whose bytes are `u8Seed`, `u8Seed` + 1, ...
tagGUIDSIGN Guid(std::uint8_t u8Seed);

/// A 132-byte header image with a correct check value.
std::vector<std::uint8_t> HeaderImage(std::uint32_t u32Status, std::uint32_t u32DescriptionLength = 0);
/// Appends a frame header storing `u32StoredSize`, then `payload` (which may disagree with it).
void AppendFrame(std::vector<std::uint8_t>& file, tagGUIDSIGN const& guid, std::uint32_t u32StoredSize,
                 std::span<std::uint8_t const> payload = {}, tagGUIDSIGN const& signature = kRSDataSignature);

/// The code `action` throws as IRSException, 0 when it throws nothing.
std::uint32_t ThrownCode(std::function<void()> const& action);

/// Runs `child` in a forked process; its answer as the exit status (-1 when it did not exit).
int RunInChild(std::function<int()> const& child);

}  // namespace archivetest
