#pragma once
// Expansion of one decmpfs block (zlib) or chunk (LZVN), or of an attribute's whole stream.
// A zlib stream whose first byte has low nibble 0xF, or an LZVN one starting with 0x06, holds
// its data stored after that byte.
#include <cstdint>
#include <span>

namespace hfsplus {

/// Fills all of `output` from `input`; false when the data is damaged or expands short or long.
bool ExpandZlib(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);
bool ExpandLzvn(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);

}  // namespace hfsplus
