#include "engine/core/bytes/Crc16.h"

#include <array>

namespace engine {
namespace {

constexpr std::uint16_t kUmtsPolynomial = 0x8005;

// One entry per value of the top byte: the remainder it leaves after eight shifts (MSB first).
constexpr std::array<std::uint16_t, 256> MakeMsbFirstTable(std::uint16_t u16Polynomial) {
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        std::uint16_t u16Crc = static_cast<std::uint16_t>(i << 8);
        for (int iBit = 0; iBit < 8; ++iBit)
            u16Crc = static_cast<std::uint16_t>((u16Crc & 0x8000) ? (u16Crc << 1) ^ u16Polynomial : u16Crc << 1);
        table[i] = u16Crc;
    }
    return table;
}

constexpr auto kUmtsTable = MakeMsbFirstTable(kUmtsPolynomial);

}  // namespace

std::uint16_t Crc16Umts(std::span<std::uint8_t const> bytes) {
    std::uint16_t u16Crc = 0;
    for (std::uint8_t u8Byte : bytes)
        u16Crc = static_cast<std::uint16_t>((u16Crc << 8) ^ kUmtsTable[((u16Crc >> 8) ^ u8Byte) & 0xFF]);
    return u16Crc;
}

}  // namespace engine
