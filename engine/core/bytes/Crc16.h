#pragma once
// CRC-16 checksums over stored records.
#include <cstdint>
#include <span>

namespace engine {

/// CRC-16/UMTS (also called CRC-16/BUYPASS): polynomial 0x8005, initial value 0, no reflection,
/// no final XOR. The check value of the ASCII digits "123456789" is 0xFEE8.
std::uint16_t Crc16Umts(std::span<std::uint8_t const> bytes);

}  // namespace engine
