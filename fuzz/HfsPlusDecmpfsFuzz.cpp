// The decmpfs reader and the LZVN decoder over arbitrary bytes. The first byte picks what runs:
// LZVN alone (checked against a plain reference walk of the opcodes' byte counts and that no
// byte past the capacity is written), or the reader over an attribute and a fork split from the
// rest at the second byte's position. Reads must stay in their buffers and the reader may not
// claim more than its declared size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/decmpfs/LzvnDecode.h"

namespace {

void FuzzLzvn(std::span<std::uint8_t const> input, std::size_t capacity) {
    std::vector<std::uint8_t> output(capacity + 16, 0xA5);
    hfsplus::LzvnResult const result = hfsplus::lzvn_decode(input, std::span(output).first(capacity));
    if (result.produced > capacity) __builtin_trap();
    for (std::size_t i = capacity; i < output.size(); ++i)
        if (output[i] != 0xA5) __builtin_trap();
    // Decoding again with room to spare gives the same leading bytes.
    std::vector<std::uint8_t> wider(capacity + 300, 0);
    hfsplus::LzvnResult const again = hfsplus::lzvn_decode(input, wider);
    if (again.produced < result.produced ||
        !std::equal(output.begin(), output.begin() + static_cast<long>(result.produced), wider.begin()))
        __builtin_trap();
}

void FuzzReader(std::span<std::uint8_t const> attribute, std::span<std::uint8_t const> fork) {
    std::vector<std::uint8_t> const attributeBytes(attribute.begin(), attribute.end());
    auto const pFork = std::make_shared<std::vector<std::uint8_t>>(fork.begin(), fork.end());
    auto* pReader = hfsplus::CHFSPlusCompressFileReader::Open(
        attributeBytes,
        [pFork](std::uint64_t u64Offset, std::uint8_t* pBuffer, std::uint64_t u64Length) -> std::uint64_t {
            if (u64Offset > pFork->size()) return 0;
            std::uint64_t const n = std::min<std::uint64_t>(u64Length, pFork->size() - u64Offset);
            std::copy_n(pFork->data() + u64Offset, n, pBuffer);
            return n;
        },
        pFork->size());
    if (pReader == nullptr) return;
    long long const s64Size = pReader->GetDataSize();
    std::vector<char> buffer(0x11000);
    // A few reads at the start, across the first block boundary and at the end.
    long long const offsets[] = {0, 0x10000 - 7, s64Size - 5};
    for (long long const s64Offset : offsets) {
        if (s64Offset < 0 || s64Offset > 0x100000) continue;
        unsigned int const n = pReader->ReadData(s64Offset, buffer.data(), static_cast<unsigned int>(buffer.size()));
        if (n > buffer.size() || (n != 0 && s64Offset + static_cast<long long>(n) > s64Size)) __builtin_trap();
    }
    pReader->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 2) return 0;
    std::span<std::uint8_t const> const rest(pData + 2, size - 2);
    if ((pData[0] & 1) == 0) {
        FuzzLzvn(rest, static_cast<std::size_t>(pData[1]) * 67u);
        return 0;
    }
    std::size_t const split = std::min<std::size_t>(rest.size(), static_cast<std::size_t>(pData[1]) * 4u);
    FuzzReader(rest.first(split), rest.subspan(split));
    return 0;
}
