#pragma once
// The boot sector (DBR) of a FAT16 or FAT32 volume, read into host order.
//
// | offset | size | field (little-endian)                                   |
// |      0 |    1 | jump opcode; 0 in a sector that never held a boot sector |
// |     11 |    2 | bytes per sector                                         |
// |     13 |    1 | sectors per cluster                                      |
// |     14 |    2 | reserved sectors (the first FAT follows them)            |
// |     16 |    1 | number of FATs                                           |
// |     17 |    2 | root-folder entries (FAT16)                              |
// |     19 |    2 | total sectors, 16-bit form                               |
// |     22 |    2 | sectors per FAT (FAT16)                                  |
// |     32 |    4 | total sectors, 32-bit form                               |
// |     36 |    4 | sectors per FAT (FAT32)                                  |
// |     44 |    4 | root folder's first cluster (FAT32)                      |
// |     54 |    8 | "FAT16   " in the FAT16 layout                           |
// |     82 |    8 | "FAT32   " in the FAT32 layout                           |
// |    510 |    2 | 0x55 0xAA                                                |
// Microsoft's "FAT: General Overview of On-Disk Format" describes the layout; FAT12 is not
// recognised here (its type string fails both tests).
#include <cstdint>

#include "engine/Types.h"
#include "engine/core/bytes/ByteView.h"

class CTempFATDBR {
public:
    static constexpr std::size_t kSize = 512;

    /// Parses the first 512 bytes of `bytes` for a device of `u32SectorSize`-byte sectors; a
    /// shorter view gives an unrecognised sector.
    CTempFATDBR(engine::ByteView bytes, std::uint32_t u32SectorSize);

    /// Byte 0 is not 0 and the sector ends in 0x55 0xAA.
    static bool SimpleCheck(engine::ByteView bytes);

    bool IsValidDBR() const { return m_eType != FILE_SYSTEM_UNRECOGNISED; }
    /// FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32 or FILE_SYSTEM_UNRECOGNISED.
    FileSystemType GetFileSystemType() const { return m_eType; }

    std::uint32_t GetReservedSector() const { return m_u16Reserved; }
    std::uint32_t GetFatTableStartSector() const { return m_u16Reserved; }
    std::uint32_t GetNumberOfFat() const { return IsValidDBR() ? m_u8Fats : 0; }
    std::uint32_t GetSectorsperCluster() const { return IsValidDBR() ? m_u8SectorsPerCluster : 0; }
    std::uint32_t GetSectorsPerFat() const;
    std::uint32_t GetRootEntries() const { return m_u16RootEntries; }
    std::uint32_t GetRootDirStartCluster() const { return m_eType == FILE_SYSTEM_FAT32 ? m_u32RootCluster : 0; }
    std::uint64_t GetTotalSectors() const;
    std::uint32_t GetBytesPerSector() const { return m_u16BytesPerSector; }
    /// Sectors of the FAT16 root folder; 0 for FAT32.
    std::uint32_t GetRootDirSectors() const;
    /// Sector (from the volume start) where cluster 2 begins; computed in 64 bits.
    std::uint64_t GetFirstDataSector() const;

private:
    bool IsFullValidFAT16DBR(engine::ByteView bytes) const;
    bool IsFullValidFAT32DBR(engine::ByteView bytes) const;

    FileSystemType m_eType = FILE_SYSTEM_UNRECOGNISED;
    std::uint32_t m_u32DeviceSectorSize = 512;
    std::uint16_t m_u16BytesPerSector = 0;
    std::uint8_t m_u8SectorsPerCluster = 0;
    std::uint16_t m_u16Reserved = 0;
    std::uint8_t m_u8Fats = 0;
    std::uint16_t m_u16RootEntries = 0;
    std::uint16_t m_u16TotalSectors16 = 0;
    std::uint16_t m_u16SectorsPerFat16 = 0;
    std::uint32_t m_u32TotalSectors32 = 0;
    std::uint32_t m_u32SectorsPerFat32 = 0;
    std::uint32_t m_u32RootCluster = 0;
};
