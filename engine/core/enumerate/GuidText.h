#pragma once
// GPT GUIDs between their text form ("C12A7328-F81F-11D2-BA4B-00A0C93EC93B") and the on-disk
// byte order, where the first 32-bit group and the next two 16-bit groups are little-endian.
#include <cstdint>
#include <string>
#include <string_view>

namespace enumerate {

/// False (and `bytes` untouched) unless `text` is 36 characters of hex digits in 8-4-4-4-12 groups.
bool ParseGuidText(std::string_view text, std::uint8_t (&bytes)[16]);
/// Upper-case text form of on-disk GUID bytes.
std::string FormatGuid(std::uint8_t const (&bytes)[16]);

}  // namespace enumerate
