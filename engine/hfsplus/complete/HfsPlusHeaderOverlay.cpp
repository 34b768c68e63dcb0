#include "engine/hfsplus/complete/HfsPlusHeaderOverlay.h"

#include <algorithm>
#include <cstring>

namespace hfsplus {

int CHFSPlusHeaderOverlayDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    int const iRead = Forwarded().ReadSector(pBuffer, s64FirstSector, s64Count);
    int const iSectorSize = Forwarded().GetSectorSize();
    if (iRead == 0 || pBuffer == nullptr || iSectorSize <= 0 || s64FirstSector < 0 || s64Count <= 0) return iRead;
    auto const u64SectorSize = static_cast<std::uint64_t>(iSectorSize);
    std::uint64_t const u64Begin = static_cast<std::uint64_t>(s64FirstSector) * u64SectorSize;
    std::uint64_t const u64End = u64Begin + static_cast<std::uint64_t>(s64Count) * u64SectorSize;
    std::uint64_t const u64HeaderEnd = kVolumeHeaderOffset + kVolumeHeaderSize;
    std::uint64_t const u64From = std::max(u64Begin, kVolumeHeaderOffset);
    std::uint64_t const u64To = std::min(u64End, u64HeaderEnd);
    if (u64From < u64To)
        std::memcpy(static_cast<std::uint8_t*>(pBuffer) + (u64From - u64Begin),
                    m_header.data() + (u64From - kVolumeHeaderOffset), static_cast<std::size_t>(u64To - u64From));
    return iRead;
}

}  // namespace hfsplus
