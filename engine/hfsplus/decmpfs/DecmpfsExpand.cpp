#include "engine/hfsplus/decmpfs/DecmpfsExpand.h"

#include <zlib.h>

#include <climits>
#include <cstring>

#include "engine/hfsplus/decmpfs/LzvnDecode.h"

namespace hfsplus {

namespace {

bool CopyStored(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) {
    if (input.size() - 1 < output.size()) return false;
    if (!output.empty()) std::memcpy(output.data(), input.data() + 1, output.size());
    return true;
}

}  // namespace

bool ExpandZlib(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) {
    if (input.empty()) return output.empty();
    if ((input[0] & 0x0F) == 0x0F) return CopyStored(input, output);
    if (input.size() > ULONG_MAX || output.size() > ULONG_MAX) return false;
    uLongf produced = static_cast<uLongf>(output.size());
    // A buffer of zero length still needs a valid pointer for zlib.
    std::uint8_t spare = 0;
    Bytef* pOut = output.empty() ? &spare : output.data();
    int const status = uncompress(pOut, &produced, input.data(), static_cast<uLong>(input.size()));
    return status == Z_OK && produced == output.size();
}

bool ExpandLzvn(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) {
    if (input.empty()) return output.empty();
    if (input[0] == 0x06) return CopyStored(input, output);
    LzvnResult const result = lzvn_decode(input, output);
    return !result.bFailed && result.produced == output.size();
}

}  // namespace hfsplus
