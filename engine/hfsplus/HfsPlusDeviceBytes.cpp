#include "engine/hfsplus/HfsPlusDeviceBytes.h"

#include <algorithm>
#include <cstring>

#include "engine/IStorageDevice.h"

namespace hfsplus {

std::uint64_t ReadDeviceBytes(IStorageDevice& device, std::uint64_t u64Offset, std::uint8_t* pOut,
                              std::uint64_t u64Length, std::vector<std::uint8_t>& bounce) {
    std::uint64_t const u64SectorSize = bounce.size();
    if (pOut == nullptr || u64SectorSize == 0) return 0;
    std::uint64_t u64Done = 0;
    while (u64Done < u64Length) {
        std::uint64_t const u64At = u64Offset + u64Done;
        std::uint64_t const u64Sector = u64At / u64SectorSize;
        std::uint64_t const u64Within = u64At % u64SectorSize;
        std::uint64_t const u64Left = u64Length - u64Done;
        if (u64Sector > static_cast<std::uint64_t>(INT64_MAX)) break;
        if (u64Within == 0 && u64Left >= u64SectorSize) {
            // Whole sectors straight into the caller's buffer.
            std::uint64_t const u64Sectors = u64Left / u64SectorSize;
            if (device.ReadSector(pOut + u64Done, static_cast<long long>(u64Sector),
                                  static_cast<long long>(u64Sectors)) == 0)
                break;
            u64Done += u64Sectors * u64SectorSize;
            continue;
        }
        if (device.ReadSector(bounce.data(), static_cast<long long>(u64Sector), 1) == 0) break;
        std::uint64_t const u64Piece = std::min(u64SectorSize - u64Within, u64Left);
        std::memcpy(pOut + u64Done, bounce.data() + u64Within, u64Piece);
        u64Done += u64Piece;
    }
    return u64Done;
}

}  // namespace hfsplus
