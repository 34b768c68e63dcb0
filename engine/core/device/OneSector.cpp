#include "engine/core/device/OneSector.h"

#include "engine/IStorageDevice.h"

namespace devicesector {

std::vector<std::uint8_t> ReadOne(IStorageDevice& device, std::int64_t s64Sector) {
    int const iSectorSize = device.GetSectorSize();
    if (s64Sector < 0 || iSectorSize < 512 || iSectorSize > kMaxSectorBytes) return {};
    std::vector<std::uint8_t> sector(static_cast<std::size_t>(iSectorSize));
    if (device.ReadSector(sector.data(), s64Sector, 1) == 0) return {};
    return sector;
}

}  // namespace devicesector
