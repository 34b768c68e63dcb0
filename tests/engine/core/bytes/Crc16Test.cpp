#include "engine/core/bytes/Crc16.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace {

std::uint16_t CrcOf(std::string_view text) {
    return engine::Crc16Umts({reinterpret_cast<std::uint8_t const*>(text.data()), text.size()});
}

TEST(Crc16Umts, MatchesPublishedCheckValues) {
    EXPECT_EQ(CrcOf("123456789"), 0xFEE8);  // the catalogued check value of CRC-16/UMTS
    EXPECT_EQ(CrcOf(""), 0x0000);           // initial value 0, no final XOR
    // A single 0x01 leaves the polynomial itself: MSB-first, unreflected.
    std::array<std::uint8_t, 1> const one{0x01};
    EXPECT_EQ(engine::Crc16Umts(one), 0x8005);
}

}  // namespace
