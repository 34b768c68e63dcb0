#pragma once
// UTF-16 names as the engine's UTF-8 text. FAT long names and exFAT names are stored as
// UTF-16LE code units; surrogate pairs are kept, and an unpaired surrogate becomes U+FFFD so
// that a damaged name still converts.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace engine {

/// The UTF-8 text of `units` (host-order UTF-16 code units), all of them, zeros included.
std::string Utf16ToUtf8(std::span<std::uint16_t const> units);

/// Appends as much of `text` (valid UTF-8) to `out` as keeps `out` within `maxBytes` bytes,
/// never splitting a character.
void AppendUtf8Bounded(std::string& out, std::string_view text, std::size_t maxBytes);

}  // namespace engine
