#include "engine/fat/ondisk/TempFATDBR.h"

#include <cctype>
#include <string_view>

namespace {

bool EqualsIgnoringCase(engine::ByteView bytes, std::size_t offset, std::string_view expected) {
    if (!bytes.Has(offset, expected.size())) return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (std::toupper(bytes.U8(offset + i)) != std::toupper(static_cast<unsigned char>(expected[i]))) return false;
    return true;
}

bool IsClusterSizeAllowed(std::uint32_t u32SectorsPerCluster) {
    return u32SectorsPerCluster != 0 && u32SectorsPerCluster <= 128 && (u32SectorsPerCluster & (u32SectorsPerCluster - 1)) == 0;
}

bool HasSignature(engine::ByteView bytes) { return bytes.Has(510, 2) && bytes.U8(510) == 0x55 && bytes.U8(511) == 0xAA; }

}  // namespace

CTempFATDBR::CTempFATDBR(engine::ByteView bytes, std::uint32_t u32SectorSize) : m_u32DeviceSectorSize(u32SectorSize) {
    if (!bytes.Has(0, kSize)) return;
    m_u16BytesPerSector = bytes.Le16(11);
    m_u8SectorsPerCluster = bytes.U8(13);
    m_u16Reserved = bytes.Le16(14);
    m_u8Fats = bytes.U8(16);
    m_u16RootEntries = bytes.Le16(17);
    m_u16TotalSectors16 = bytes.Le16(19);
    m_u16SectorsPerFat16 = bytes.Le16(22);
    m_u32TotalSectors32 = bytes.Le32(32);
    m_u32SectorsPerFat32 = bytes.Le32(36);
    m_u32RootCluster = bytes.Le32(44);
    if (IsFullValidFAT16DBR(bytes)) {
        m_eType = FILE_SYSTEM_FAT16;
    } else if (IsFullValidFAT32DBR(bytes)) {
        m_eType = FILE_SYSTEM_FAT32;
    }
}

bool CTempFATDBR::SimpleCheck(engine::ByteView bytes) { return bytes.Has(0, kSize) && bytes.U8(0) != 0 && HasSignature(bytes); }

bool CTempFATDBR::IsFullValidFAT16DBR(engine::ByteView bytes) const {
    return HasSignature(bytes) && EqualsIgnoringCase(bytes, 54, "FAT16   ") && m_u8Fats == 2 &&
           IsClusterSizeAllowed(m_u8SectorsPerCluster) && m_u16BytesPerSector == m_u32DeviceSectorSize &&
           m_u16RootEntries >= 224 && m_u16BytesPerSector != 0 &&
           (std::uint32_t{m_u16RootEntries} * 32) % m_u16BytesPerSector == 0 && m_u16SectorsPerFat16 != 0;
}

bool CTempFATDBR::IsFullValidFAT32DBR(engine::ByteView bytes) const {
    return HasSignature(bytes) && EqualsIgnoringCase(bytes, 82, "FAT32   ") && m_u8Fats == 2 &&
           IsClusterSizeAllowed(m_u8SectorsPerCluster) && m_u16BytesPerSector == m_u32DeviceSectorSize &&
           m_u32SectorsPerFat32 != 0;
}

std::uint32_t CTempFATDBR::GetSectorsPerFat() const {
    if (!IsValidDBR()) return 0;
    return m_eType == FILE_SYSTEM_FAT32 ? m_u32SectorsPerFat32 : m_u16SectorsPerFat16;
}

std::uint64_t CTempFATDBR::GetTotalSectors() const {
    if (m_eType == FILE_SYSTEM_FAT32) return m_u32TotalSectors32;
    if (m_eType == FILE_SYSTEM_FAT16) return m_u16TotalSectors16 != 0 ? m_u16TotalSectors16 : m_u32TotalSectors32;
    return 0;
}

std::uint32_t CTempFATDBR::GetRootDirSectors() const {
    if (m_eType != FILE_SYSTEM_FAT16 || m_u16BytesPerSector == 0) return 0;
    return std::uint32_t{m_u16RootEntries} * 32 / m_u16BytesPerSector;
}

std::uint64_t CTempFATDBR::GetFirstDataSector() const {
    return std::uint64_t{m_u16Reserved} + std::uint64_t{GetNumberOfFat()} * GetSectorsPerFat() + GetRootDirSectors();
}
