#include "engine/core/copyout/ZeroWatch.h"

#include <cstring>

void CZeroWatch::See(std::span<std::uint8_t const> bytes) {
    if (!m_bOnlyZeros || bytes.empty()) return;
    // Each byte equals the one after it and the first is zero: memcmp's wide compares do the work.
    m_bOnlyZeros = bytes[0] == 0 && std::memcmp(bytes.data(), bytes.data() + 1, bytes.size() - 1) == 0;
}
