#pragma once
// LZVN, the LZ77 variant of Apple's compressed files: one opcode byte (plus up to two operand
// bytes) gives a literal count, a match length and a match distance (new, or the previous one).
#include <cstddef>
#include <cstdint>
#include <span>

namespace hfsplus {

struct LzvnResult {
    std::size_t produced = 0;  // bytes written to the output
    bool bEnded = false;       // the end-of-stream opcode was reached
    bool bFailed = false;      // undefined opcode, truncated input, or a distance before the output
};

/// Decodes `input` into `output`, stopping at the end-of-stream opcode, at the input's end, at
/// bad data, or when the output is full (the opcode in progress is cut there). Never writes past
/// the output.
LzvnResult lzvn_decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);

}  // namespace hfsplus
