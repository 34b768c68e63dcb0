#include "engine/exfat/ondisk/ExFatBootSector.h"

namespace {

constexpr std::size_t kNameOffset = 3;
constexpr char kName[] = "EXFAT   ";
constexpr std::size_t kLegacyAreaOffset = 11;
constexpr std::size_t kLegacyAreaEnd = 64;
constexpr std::size_t kSignatureOffset = 510;
constexpr std::uint16_t kSignature = 0xAA55;
constexpr std::uint32_t kMinSectorShift = 9;
constexpr std::uint32_t kMaxSectorShift = 12;
constexpr std::uint32_t kMaxClusterBytesShift = 25;  // 32 MiB clusters

}  // namespace

CExFatDBR::CExFatDBR(engine::ByteView sector) {
    if (!sector.Has(0, kSize)) return;
    m_bComplete = true;
    m_bSignatures = sector.Le16(kSignatureOffset) == kSignature && sector.Equals(kNameOffset, kName);
    m_bLegacyAreaZero = true;
    for (std::size_t i = kLegacyAreaOffset; i < kLegacyAreaEnd; ++i)
        if (sector.U8(i) != 0) m_bLegacyAreaZero = false;
    m_u64VolumeLength = sector.Le64(72);
    m_u32FatOffset = sector.Le32(80);
    m_u32FatLength = sector.Le32(84);
    m_u32HeapOffset = sector.Le32(88);
    m_u32ClusterCount = sector.Le32(92);
    m_u32RootCluster = sector.Le32(96);
    m_u32Serial = sector.Le32(100);
    m_u16VolumeFlags = sector.Le16(106);
    m_u8SectorShift = sector.U8(108);
    m_u8ClusterShift = sector.U8(109);
    m_u8NumberOfFats = sector.U8(110);
}

std::uint32_t CExFatDBR::GetBytePerSector() const {
    return m_u8SectorShift <= kMaxSectorShift ? std::uint32_t{1} << m_u8SectorShift : 0;
}

std::uint32_t CExFatDBR::GetSectorsperCluster() const {
    return m_u8ClusterShift <= kMaxClusterBytesShift ? std::uint32_t{1} << m_u8ClusterShift : 0;
}

bool CExFatDBR::IsValid(std::uint32_t u32SectorSize) const {
    if (!m_bComplete || !m_bSignatures || !m_bLegacyAreaZero) return false;
    if (m_u8SectorShift < kMinSectorShift || m_u8SectorShift > kMaxSectorShift) return false;
    if (GetBytePerSector() != u32SectorSize) return false;
    if (std::uint32_t{m_u8SectorShift} + m_u8ClusterShift > kMaxClusterBytesShift) return false;
    if (m_u8NumberOfFats != 1 && m_u8NumberOfFats != 2) return false;
    if (m_u32FatLength == 0 || m_u32HeapOffset == 0 || m_u32FatOffset == 0 || m_u64VolumeLength == 0 ||
        m_u32ClusterCount == 0 || m_u32RootCluster < 2)
        return false;
    if (m_u32FatOffset > m_u64VolumeLength || m_u32HeapOffset > m_u64VolumeLength) return false;
    if (std::uint64_t{m_u32FatOffset} + m_u32FatLength > m_u32HeapOffset) return false;
    // Shifts are at most 25 together, so this stays far inside 64 bits.
    std::uint64_t const u64HeapEnd = ((std::uint64_t{m_u32ClusterCount} - 1) << m_u8ClusterShift) + m_u32HeapOffset;
    return u64HeapEnd <= m_u64VolumeLength;
}
