#pragma once
// Test data for LZVN: a small greedy encoder (literal runs, large-distance matches extended by
// previous-distance opcodes, the end-of-stream opcode) and text-like data both coders compress.
#include <cstdint>
#include <vector>

namespace testkit {

/// Text-like data: repeated words with a counter, so both coders find matches.
std::vector<std::uint8_t> TextLike(std::size_t size);
/// The LZVN stream of `data`.
std::vector<std::uint8_t> LzvnEncode(std::vector<std::uint8_t> const& data);

}  // namespace testkit
