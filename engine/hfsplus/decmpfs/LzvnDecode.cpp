#include "engine/hfsplus/decmpfs/LzvnDecode.h"

#include <algorithm>
#include <cstring>

namespace hfsplus {

namespace {

constexpr std::uint8_t kEndOfStream = 0x06;
constexpr std::uint8_t kNopShort = 0x0E;
constexpr std::uint8_t kNopLong = 0x16;

/// One decoded opcode: literals to copy from the input, then a match.
struct Opcode {
    std::size_t operandBytes = 0;  // bytes after the opcode byte, before the literals
    std::size_t literals = 0;
    std::size_t match = 0;
    std::size_t distance = 0;  // 0: keep the previous distance
    bool bNop = false;
    bool bEnd = false;
    bool bUndefined = false;
};

/// Reads the opcode at input[0]; `input` holds at least one byte. Short operands mark it
/// undefined.
Opcode ReadOpcode(std::span<std::uint8_t const> input) {
    Opcode op;
    std::uint8_t const code = input[0];
    auto operand = [&](std::size_t index) -> std::size_t { return index < input.size() ? input[index] : 0; };
    auto need = [&](std::size_t bytes) {
        op.operandBytes = bytes;
        if (input.size() < 1 + bytes) op.bUndefined = true;
    };
    if (code >= 0xF0) {  // match with the previous distance
        if (code == 0xF0) {
            need(1);
            op.match = operand(1) + 16;
        } else {
            op.match = code & 0x0F;
        }
        return op;
    }
    if (code >= 0xE0) {  // literals only
        if (code == 0xE0) {
            need(1);
            op.literals = operand(1) + 16;
        } else {
            op.literals = code & 0x0F;
        }
        return op;
    }
    if (code >= 0xA0 && code <= 0xBF) {  // medium distance: 101LLMMM DDDDDDMM DDDDDDDD
        need(2);
        std::size_t const b1 = operand(1);
        op.literals = (code >> 3) & 0x03;
        op.match = (((code & 0x07u) << 2) | (b1 & 0x03u)) + 3;
        op.distance = (operand(2) << 6) | (b1 >> 2);
        if (op.distance == 0) op.bUndefined = true;
        return op;
    }
    // LLMMMDDD: small (DDD < 6, one more distance byte), previous (110) or large (111, two
    // little-endian distance bytes). Literal count L allows at most 10 - 2L match bytes.
    op.literals = code >> 6;
    op.match = ((code >> 3) & 0x07u) + 3;
    if (op.match > 10 - 2 * op.literals) {
        op.bUndefined = true;
        return op;
    }
    switch (code & 0x07) {
        case 6:
            if (op.literals == 0) {
                if (code == kEndOfStream)
                    op.bEnd = true;
                else if (code == kNopShort || code == kNopLong)
                    op.bNop = true;
                else
                    op.bUndefined = true;
            }
            return op;
        case 7:
            need(2);
            op.distance = operand(1) | (operand(2) << 8);
            break;
        default:
            need(1);
            op.distance = (static_cast<std::size_t>(code & 0x07) << 8) | operand(1);
            break;
    }
    if (op.distance == 0) op.bUndefined = true;
    return op;
}

}  // namespace

LzvnResult lzvn_decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) {
    LzvnResult result;
    std::size_t in = 0;
    std::size_t& out = result.produced;
    std::size_t previousDistance = 0;
    // Every opcode consumes input, so the walk ends within input.size() steps.
    while (in < input.size() && out < output.size()) {
        Opcode const op = ReadOpcode(input.subspan(in));
        if (op.bEnd) {
            result.bEnded = true;
            return result;
        }
        if (op.bUndefined) {
            result.bFailed = true;
            return result;
        }
        in += 1 + op.operandBytes;
        if (op.bNop) continue;
        if (op.literals > input.size() - in) {
            result.bFailed = true;
            return result;
        }
        std::size_t const literals = std::min(op.literals, output.size() - out);
        std::memcpy(output.data() + out, input.data() + in, literals);
        in += op.literals;
        out += literals;
        if (op.match == 0) continue;
        std::size_t const distance = op.distance != 0 ? op.distance : previousDistance;
        if (distance == 0 || distance > out) {
            result.bFailed = out < output.size();  // an opcode cut at the output's end is no fault
            return result;
        }
        previousDistance = distance;
        std::size_t const match = std::min(op.match, output.size() - out);
        for (std::size_t i = 0; i < match; ++i, ++out) output[out] = output[out - distance];  // may overlap
    }
    return result;
}

}  // namespace hfsplus
