// The LZNT1 chunk decoder over arbitrary chunks: it must stay inside the chunk, the input and
// the output, whatever the header and the tokens claim. The first byte picks an output size,
// so that short output buffers are driven too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/copyout/Lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1) return 0;
    std::array<std::uint8_t, engine::kLznt1ChunkOutput + 64> output{};
    std::size_t const capacity = pData[0] == 0 ? output.size() : pData[0] * 17u;
    std::span<std::uint8_t const> const chunk(pData + 1, size - 1);
    std::size_t const produced = engine::DecompressBlock(chunk, std::span(output).first(capacity));
    if (produced > capacity || produced > engine::kLznt1ChunkOutput) __builtin_trap();
    return 0;
}
