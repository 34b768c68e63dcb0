#include "engine/core/enumerate/GuidText.h"

#include <cstdio>

namespace enumerate {

namespace {

// Where each on-disk byte's two hex digits stand in the text form.
constexpr std::size_t kTextPositions[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseGuidText(std::string_view text, std::uint8_t (&bytes)[16]) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool const bDash = i == 8 || i == 13 || i == 18 || i == 23;
        if (bDash ? text[i] != '-' : HexValue(text[i]) < 0) return false;
    }
    for (std::size_t i = 0; i < 16; ++i) {
        std::size_t const pos = kTextPositions[i];
        bytes[i] = static_cast<std::uint8_t>(HexValue(text[pos]) << 4 | HexValue(text[pos + 1]));
    }
    return true;
}

std::string FormatGuid(std::uint8_t const (&bytes)[16]) {
    std::string text(36, '-');
    for (std::size_t i = 0; i < 16; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text[kTextPositions[i]] = digits[0];
        text[kTextPositions[i] + 1] = digits[1];
    }
    return text;
}

}  // namespace enumerate
