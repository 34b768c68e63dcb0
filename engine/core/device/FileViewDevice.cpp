#include "engine/core/device/FileViewDevice.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/IStorageDeviceData.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/crossvolume/VolumePlacement.h"

CFileViewDevice::CFileViewDevice(IStorageDevice& device, std::vector<SectorExtent> extents, std::int64_t s64Sectors)
    : m_device(device),
      m_iSectorSize(device.GetSectorSize() > 0 ? device.GetSectorSize() : 512),
      m_s64Sectors(std::max<std::int64_t>(s64Sectors, 0)) {
    m_extents = sectorextents::Normalized(std::move(extents), m_s64Sectors);
}

int CFileViewDevice::ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) {
    m_result.store(kResultSuccess);
    std::int64_t const s64MaxSectors = std::numeric_limits<std::int64_t>::max() / 2 / m_iSectorSize;
    if (pBuffer == nullptr || s64Count <= 0 || s64FirstSector < 0 || s64FirstSector >= m_s64Sectors ||
        s64Count > s64MaxSectors)
        return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeBadArgument));
    auto* pOut = static_cast<std::uint8_t*>(pBuffer);
    std::size_t const sectorBytes = static_cast<std::size_t>(m_iSectorSize);
    // Past the file's end reads as its holes do; the end is computed within the file, so a
    // count near the number line's end cannot wrap.
    std::int64_t const s64End = s64FirstSector + std::min<std::int64_t>(s64Count, m_s64Sectors - s64FirstSector);
    std::int64_t s64At = s64FirstSector;
    // The first extent that ends past the start.
    auto it = std::upper_bound(
        m_extents.begin(), m_extents.end(), s64At,
        [](std::int64_t s64Point, SectorExtent const& extent) { return s64Point < extent.s64View + extent.s64Count; });
    while (s64At < s64End) {
        std::uint8_t* pPiece = pOut + static_cast<std::size_t>(s64At - s64FirstSector) * sectorBytes;
        if (it == m_extents.end() || it->s64View > s64At) {
            // A hole of the file, also after its last extent: zeros up to the next extent.
            std::int64_t const s64Until = it == m_extents.end() ? s64End : std::min(s64End, it->s64View);
            std::memset(pPiece, 0, static_cast<std::size_t>(s64Until - s64At) * sectorBytes);
            s64At = s64Until;
            continue;
        }
        std::int64_t const s64Piece = std::min(s64End, it->s64View + it->s64Count) - s64At;
        if (m_device.ReadSector(pPiece, it->s64Device + (s64At - it->s64View), s64Piece) == 0)
            return Fail(m_device.GetLastError());
        s64At += s64Piece;
        ++it;
    }
    if (std::int64_t const s64Past = s64Count - (s64End - s64FirstSector); s64Past > 0)
        std::memset(pOut + static_cast<std::size_t>(s64End - s64FirstSector) * sectorBytes, 0,
                    static_cast<std::size_t>(s64Past) * sectorBytes);
    return 1;
}

int CFileViewDevice::IOCtl(unsigned long long, void*) {
    return Fail(ENGINE_RESULT(kModuleStorageDevice, kCodeNotSupported));
}

void CFileViewDevice::SetPrivateData(IStorageDeviceData* pData) { delete pData; }

IStorageDevice* CreatePlacedPartitionDevice(IStorageDevice* pDevice, CSearchedPartitionInfo const& partition) {
    CVolumePlacement const* pPlacement = partition.m_pPlacement.get();
    if (pDevice == nullptr || pPlacement == nullptr || !pPlacement->HasView()) return nullptr;
    return new CFileViewDevice(*pDevice, pPlacement->m_view, pPlacement->m_s64ViewSectors);
}
