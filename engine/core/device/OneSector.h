#pragma once
// One sector of a device, read whole: what a search reads to look at one structure again (a
// volume's boot sector, when it reports the volume).
#include <cstdint>
#include <vector>

class IStorageDevice;

namespace devicesector {

/// Sectors larger than this hold no structure the engine reads one sector of.
constexpr int kMaxSectorBytes = 65536;

/// Sector `s64Sector` of the device; empty when it cannot be read or the device's sectors are
/// smaller than 512 or larger than kMaxSectorBytes bytes.
std::vector<std::uint8_t> ReadOne(IStorageDevice& device, std::int64_t s64Sector);

}  // namespace devicesector
