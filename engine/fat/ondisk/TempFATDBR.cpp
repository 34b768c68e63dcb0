#include "engine/fat/ondisk/TempFATDBR.h"

#include "engine/fat/ondisk/FATTableCheck.h"
#include "engine/fat/ondisk/FATWidth.h"

namespace {

/// The data-cluster counts where FAT16 and FAT32 begin (FAT12 below).
constexpr std::uint64_t kMinFat16Clusters = 4085;
constexpr std::uint64_t kMinFat32Clusters = 65525;

bool IsClusterSizeAllowed(std::uint32_t u32SectorsPerCluster) {
    return u32SectorsPerCluster != 0 && u32SectorsPerCluster <= 128 &&
           (u32SectorsPerCluster & (u32SectorsPerCluster - 1)) == 0;
}

bool HasSignature(engine::ByteView bytes) {
    return bytes.Has(510, 2) && bytes.U8(510) == 0x55 && bytes.U8(511) == 0xAA;
}

}  // namespace

CTempFATDBR::CTempFATDBR(engine::ByteView bytes, std::uint32_t u32SectorSize) : m_u32DeviceSectorSize(u32SectorSize) {
    if (!bytes.Has(0, kSize)) return;
    m_u16BytesPerSector = bytes.Le16(11);
    m_u8SectorsPerCluster = bytes.U8(13);
    m_u16Reserved = bytes.Le16(14);
    m_u8Fats = bytes.U8(16);
    m_u16RootEntries = bytes.Le16(17);
    m_u16TotalSectors16 = bytes.Le16(19);
    m_u8Media = bytes.U8(21);
    m_u16SectorsPerFat16 = bytes.Le16(22);
    m_u32TotalSectors32 = bytes.Le32(32);
    m_u32SectorsPerFat32 = bytes.Le32(36);
    m_u32RootCluster = bytes.Le32(44);
    if (!HasCommonFields(bytes)) return;
    if (HasFixedRootLayout()) {
        m_eType = TypeByClusterCount(FILE_SYSTEM_FAT16);
    } else if (HasFat32Layout()) {
        m_eType = TypeByClusterCount(FILE_SYSTEM_FAT32);
    }
    std::size_t const signature = m_eType == FILE_SYSTEM_FAT32 ? 66 : 38;
    if (IsValidDBR() && bytes.U8(signature) == 0x29) m_u32Serial = bytes.Le32(signature + 1);
}

bool CTempFATDBR::SimpleCheck(engine::ByteView bytes) {
    return bytes.Has(0, kSize) && bytes.U8(0) != 0 && HasSignature(bytes);
}

bool CTempFATDBR::HasCommonFields(engine::ByteView bytes) const {
    // With the type string only a label, the media byte and the reserved sectors (the boot
    // sector itself at least) keep other sectors that end in 0x55 0xAA from passing.
    return HasSignature(bytes) && (m_u8Fats == 1 || m_u8Fats == 2) && IsClusterSizeAllowed(m_u8SectorsPerCluster) &&
           m_u16BytesPerSector != 0 && m_u16BytesPerSector == m_u32DeviceSectorSize && m_u16Reserved != 0 &&
           fat::IsMediaByte(m_u8Media);
}

bool CTempFATDBR::HasFixedRootLayout() const {
    // A FAT16 root holds 224 entries at least; a FAT12 one on a small medium may hold fewer,
    // but whole sectors of them.
    return m_u16SectorsPerFat16 != 0 && m_u16RootEntries != 0 &&
           (std::uint32_t{m_u16RootEntries} * 32) % m_u16BytesPerSector == 0;
}

bool CTempFATDBR::HasFat32Layout() const { return m_u16SectorsPerFat16 == 0 && m_u32SectorsPerFat32 != 0; }

FileSystemType CTempFATDBR::TypeByClusterCount(FileSystemType eLayout) const {
    std::uint64_t const u64Total = TotalSectorsOf(eLayout);
    std::uint64_t const u64FirstData = FirstDataSectorOf(eLayout);
    if (u64Total <= u64FirstData) return FILE_SYSTEM_UNRECOGNISED;
    std::uint64_t const u64Clusters = (u64Total - u64FirstData) / m_u8SectorsPerCluster;
    if (u64Clusters == 0) return FILE_SYSTEM_UNRECOGNISED;
    if (u64Clusters < kMinFat16Clusters)
        return eLayout == FILE_SYSTEM_FAT16 ? FILE_SYSTEM_FAT12 : FILE_SYSTEM_UNRECOGNISED;
    if (u64Clusters < kMinFat32Clusters)
        return eLayout == FILE_SYSTEM_FAT16 && m_u16RootEntries >= 224 ? FILE_SYSTEM_FAT16 : FILE_SYSTEM_UNRECOGNISED;
    return eLayout == FILE_SYSTEM_FAT32 ? FILE_SYSTEM_FAT32 : FILE_SYSTEM_UNRECOGNISED;
}

std::uint32_t CTempFATDBR::SectorsPerFatOf(FileSystemType eLayout) const {
    if (eLayout == FILE_SYSTEM_FAT32) return m_u32SectorsPerFat32;
    return fat::HasFixedRoot(eLayout) ? m_u16SectorsPerFat16 : 0;
}

std::uint64_t CTempFATDBR::TotalSectorsOf(FileSystemType eLayout) const {
    if (eLayout == FILE_SYSTEM_FAT32) return m_u32TotalSectors32;
    if (fat::HasFixedRoot(eLayout)) return m_u16TotalSectors16 != 0 ? m_u16TotalSectors16 : m_u32TotalSectors32;
    return 0;
}

std::uint32_t CTempFATDBR::RootDirSectorsOf(FileSystemType eLayout) const {
    if (!fat::HasFixedRoot(eLayout) || m_u16BytesPerSector == 0) return 0;
    return std::uint32_t{m_u16RootEntries} * 32 / m_u16BytesPerSector;
}

std::uint64_t CTempFATDBR::FirstDataSectorOf(FileSystemType eLayout) const {
    return std::uint64_t{m_u16Reserved} + std::uint64_t{m_u8Fats} * SectorsPerFatOf(eLayout) +
           RootDirSectorsOf(eLayout);
}
