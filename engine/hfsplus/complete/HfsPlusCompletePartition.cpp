#include "engine/hfsplus/complete/HfsPlusCompletePartition.h"

#include <algorithm>

#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/Types.h"
#include "engine/core/device/PartitionVirtualVolumeDevice.h"
#include "engine/hfsplus/HfsPlusVolume.h"
#include "engine/hfsplus/complete/HfsPlusHeaderOverlay.h"

namespace hfsplus {

namespace {
/// Volume attribute: catalog node ids wrapped round and are handed out again.
constexpr std::uint32_t kAttributeIDsReused = 0x1000;
constexpr std::uint32_t kDefaultBlockSize = 4096;
constexpr std::uint32_t kByteUnit = 512;
}  // namespace

CHFSPlusCompletePartition::CHFSPlusCompletePartition(std::uint16_t u16Index, long long s64Start, long long s64Sectors)
    : m_u16Index(u16Index), m_s64Start(s64Start), m_s64Sectors(std::max(s64Sectors, 0LL)) {}

CHFSPlusCompletePartition::CHFSPlusCompletePartition(std::uint16_t u16Index, long long s64Start,
                                                     HFSPlusVolumeHeader const& header, RawVolumeHeader const& raw,
                                                     bool bAlternate, std::uint32_t u32SectorSize,
                                                     long long s64DeviceSectors)
    : m_u16Index(u16Index), m_s64Start(s64Start), m_header(header), m_raw(raw), m_bAlternate(bAlternate) {
    std::uint64_t const u64Sectors =
        (VolumeBytes(header) + u32SectorSize - 1) / u32SectorSize;  // a partial block ends it
    long long const s64Left = std::max(s64DeviceSectors - s64Start, 0LL);
    m_s64Sectors = static_cast<long long>(std::min<std::uint64_t>(u64Sectors, static_cast<std::uint64_t>(s64Left)));
}

CHFSPlusCompletePartition::~CHFSPlusCompletePartition() {
    m_pVolume.reset();  // before the devices it reads through
    m_pOverlay.reset();
    m_pWindow.reset();
}

bool CHFSPlusCompletePartition::MayHold(CatalogRecord const& record) const {
    if (!m_header) return false;
    if (m_bAlternate) return true;  // its id counter and dates are those of the last format or resize
    if (record.u32ID >= m_header->u32NextCatalogID && (m_header->u32Attributes & kAttributeIDsReused) == 0)
        return false;
    return m_u16Index == 0 || record.u32CreateDate <= m_header->u32ModifyDate;
}

CHFSPlusVolume* CHFSPlusCompletePartition::OpenVolume(IStorageDevice* pDevice) {
    if (m_pVolume || m_bOpenTried || !m_header || pDevice == nullptr) return m_pVolume.get();
    m_bOpenTried = true;
    IStorageDevice* pOn = pDevice;
    if (m_s64Start != 0) {
        m_pWindow = std::make_unique<CPartitionVirtualVolumeDevice>(pDevice, m_s64Start, m_s64Sectors);
        pOn = m_pWindow.get();
    }
    m_pOverlay = std::make_unique<CHFSPlusHeaderOverlayDevice>(pOn, m_raw);
    m_pVolume = std::make_unique<CHFSPlusVolume>(m_pOverlay.get());
    if (Failed(m_pVolume->GetLastError())) m_pVolume = std::make_unique<CHFSPlusVolume>(m_pOverlay.get(), true);
    if (Failed(m_pVolume->GetLastError())) {
        m_pVolume.reset();
        m_pOverlay.reset();
        m_pWindow.reset();
    }
    return m_pVolume.get();
}

std::unique_ptr<CSearchedPartitionInfo> CHFSPlusCompletePartition::MakeRecord(std::uint32_t u32SectorSize) const {
    std::uint32_t const u32BlockSize = m_header ? m_header->u32BlockSize : kDefaultBlockSize;
    std::uint32_t const u32Unit = u32BlockSize % u32SectorSize == 0 ? u32SectorSize : kByteUnit;
    auto pInfo = std::make_unique<CSearchedPartitionInfo>(u32Unit);
    pInfo->m_u16PartitionIndex = m_u16Index;
    pInfo->m_u32FileSystemType = FILE_SYSTEM_HFSPLUS;
    pInfo->m_u32SectorsPerCluster = u32BlockSize / u32Unit;
    pInfo->m_s64StartSector = m_s64Start;
    pInfo->m_u64FileSystemValues[0] = static_cast<std::uint64_t>(m_s64Start);
    pInfo->SetTotalSectors(static_cast<unsigned long long>(m_s64Sectors));
    return pInfo;
}

}  // namespace hfsplus
