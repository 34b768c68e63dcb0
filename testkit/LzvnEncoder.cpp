#include "testkit/LzvnEncoder.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace testkit {

using Bytes = std::vector<std::uint8_t>;

namespace {

void EmitLiterals(Bytes& out, Bytes const& data, std::size_t from, std::size_t to) {
    while (from < to) {
        std::size_t const n = std::min<std::size_t>(to - from, 271);
        if (n >= 16)
            out.insert(out.end(), {0xE0, static_cast<std::uint8_t>(n - 16)});
        else
            out.push_back(static_cast<std::uint8_t>(0xE0 | n));
        out.insert(out.end(), data.begin() + static_cast<long>(from), data.begin() + static_cast<long>(from + n));
        from += n;
    }
}

}  // namespace

/// Greedy LZVN: 3-byte prefixes find the last earlier position; a match of 3 to 10 bytes is a
/// large-distance opcode, longer ones go on with previous-distance opcodes.
Bytes LzvnEncode(Bytes const& data) {
    Bytes out;
    std::unordered_map<std::uint32_t, std::size_t> last;
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i + 3 <= data.size()) {
        std::uint32_t const key = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16);
        auto const found = last.find(key);
        std::size_t const candidate = found == last.end() ? i : found->second;
        last[key] = i;
        if (candidate == i || i - candidate > 0xFFFF) {
            ++i;
            continue;
        }
        std::size_t const distance = i - candidate;
        std::size_t length = 0;
        while (i + length < data.size() && data[i + length] == data[i + length - distance]) ++length;
        EmitLiterals(out, data, literalStart, i);
        std::size_t const first = std::min<std::size_t>(length, 10);
        out.insert(out.end(), {static_cast<std::uint8_t>(((first - 3) << 3) | 7), static_cast<std::uint8_t>(distance),
                               static_cast<std::uint8_t>(distance >> 8)});
        for (std::size_t rest = length - first; rest > 0;) {
            std::size_t const n = std::min<std::size_t>(rest, 271);
            if (n >= 16)
                out.insert(out.end(), {0xF0, static_cast<std::uint8_t>(n - 16)});
            else
                out.push_back(static_cast<std::uint8_t>(0xF0 | n));
            rest -= n;
        }
        i += length;
        literalStart = i;
    }
    EmitLiterals(out, data, literalStart, data.size());
    out.insert(out.end(), {0x06, 0, 0, 0, 0, 0, 0, 0});
    return out;
}

Bytes TextLike(std::size_t size) {
    Bytes data;
    for (std::size_t n = 0; data.size() < size; ++n) {
        std::string const word = "line " + std::to_string(n * 7919 % 1000) + " of the recovered document; ";
        data.insert(data.end(), word.begin(), word.end());
    }
    data.resize(size);
    return data;
}

}  // namespace testkit
