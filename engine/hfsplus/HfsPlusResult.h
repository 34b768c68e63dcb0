#pragma once
// Result codes of the HFS+ module; the raising line tells the places apart.
#include <cstdint>

#include "engine/Result.h"

namespace hfsplus {
constexpr std::uint32_t kCodeNotReady = 2;
constexpr std::uint32_t kCodeUnsupportedTree = 3;
constexpr std::uint32_t kCodeBadData = 6;
constexpr std::uint32_t kCodeStopped = 0xD;
constexpr std::uint32_t kCodeShortRead = 0xE;
constexpr std::uint32_t kCodeDeviceRead = 0x501;
}  // namespace hfsplus

#define HFSPLUS_RESULT(code) ENGINE_RESULT(kModuleHfsPlus, (code))
