#pragma once
// The boot sector (DBR) of a FAT12, FAT16 or FAT32 volume, read into host order.
//
// | offset | size | field (little-endian)                                   |
// |      0 |    1 | jump opcode; 0 in a sector that never held a boot sector |
// |     11 |    2 | bytes per sector                                         |
// |     13 |    1 | sectors per cluster                                      |
// |     14 |    2 | reserved sectors (the first FAT follows them)            |
// |     16 |    1 | number of FATs                                           |
// |     17 |    2 | root-folder entries (FAT12, FAT16)                       |
// |     19 |    2 | total sectors, 16-bit form                               |
// |     21 |    1 | media byte: 0xF0 removable, 0xF8 fixed (as FAT entry 0)  |
// |     22 |    2 | sectors per FAT (FAT12, FAT16)                           |
// |     32 |    4 | total sectors, 32-bit form                               |
// |     36 |    4 | sectors per FAT (FAT32)                                  |
// |     44 |    4 | root folder's first cluster (FAT32)                      |
// |     38 |    1 | 0x29: the volume serial follows (FAT12, FAT16)           |
// |     39 |    4 | volume serial number (FAT12, FAT16)                      |
// |     54 |    8 | "FAT12   " or "FAT16   " there (informational)           |
// |     66 |    1 | 0x29: the volume serial follows (FAT32)                  |
// |     67 |    4 | volume serial number (FAT32)                             |
// |     82 |    8 | "FAT32   " in the FAT32 layout (informational)           |
// |    510 |    2 | 0x55 0xAA                                                |
// Microsoft's "FAT: General Overview of On-Disk Format" describes the layout. As it says, the
// count of data clusters alone decides the FAT's width (below 4085 FAT12, below 65525 FAT16,
// else FAT32); the type strings are labels some writers pad with NULs or leave out. FAT12 and
// FAT16 share one layout (a fixed root folder, 16-bit FAT size fields).
#include <cstdint>

#include "engine/ByteView.h"
#include "engine/Types.h"

class CTempFATDBR {
public:
    static constexpr std::size_t kSize = 512;

    /// Parses the first 512 bytes of `bytes` for a device of `u32SectorSize`-byte sectors; a
    /// shorter view gives an unrecognised sector.
    CTempFATDBR(engine::ByteView bytes, std::uint32_t u32SectorSize);

    /// Byte 0 is not 0 and the sector ends in 0x55 0xAA.
    static bool SimpleCheck(engine::ByteView bytes);

    bool IsValidDBR() const { return m_eType != FILE_SYSTEM_UNRECOGNISED; }
    /// FILE_SYSTEM_FAT12, FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32 or FILE_SYSTEM_UNRECOGNISED.
    FileSystemType GetFileSystemType() const { return m_eType; }

    std::uint32_t GetReservedSector() const { return m_u16Reserved; }
    std::uint32_t GetFatTableStartSector() const { return m_u16Reserved; }
    std::uint32_t GetNumberOfFat() const { return IsValidDBR() ? m_u8Fats : 0; }
    std::uint32_t GetSectorsperCluster() const { return IsValidDBR() ? m_u8SectorsPerCluster : 0; }
    std::uint32_t GetSectorsPerFat() const { return SectorsPerFatOf(m_eType); }
    std::uint32_t GetRootEntries() const { return m_u16RootEntries; }
    std::uint32_t GetRootDirStartCluster() const { return m_eType == FILE_SYSTEM_FAT32 ? m_u32RootCluster : 0; }
    std::uint64_t GetTotalSectors() const { return TotalSectorsOf(m_eType); }
    std::uint32_t GetBytesPerSector() const { return m_u16BytesPerSector; }
    std::uint8_t GetMedia() const { return m_u8Media; }
    /// Sectors of the fixed root folder (FAT12, FAT16); 0 for FAT32.
    std::uint32_t GetRootDirSectors() const { return RootDirSectorsOf(m_eType); }
    /// The serial the formatter wrote; 0 where the extended boot signature says none is there.
    std::uint32_t GetVolumeSerial() const { return m_u32Serial; }
    /// Sector (from the volume start) where cluster 2 begins; computed in 64 bits.
    std::uint64_t GetFirstDataSector() const { return FirstDataSectorOf(m_eType); }

private:
    /// The fields every FAT layout needs: signature, the device's sector size, a power-of-two
    /// cluster size, reserved sectors, one or two FATs and a media byte FAT writers use.
    bool HasCommonFields(engine::ByteView bytes) const;
    /// The layout FAT12 and FAT16 share: 16-bit FAT size, a fixed root of whole sectors.
    bool HasFixedRootLayout() const;
    bool HasFat32Layout() const;
    /// The width the data-cluster count gives, for the layout's fields (FILE_SYSTEM_FAT16
    /// stands for the fixed-root layout); unrecognised when count and layout disagree, for a
    /// FAT16 root below 224 entries and for a volume that ends before its data area.
    FileSystemType TypeByClusterCount(FileSystemType eLayout) const;
    // The fields as the fixed-root or FAT32 layout reads them; 0 for an unrecognised one.
    std::uint32_t SectorsPerFatOf(FileSystemType eLayout) const;
    std::uint64_t TotalSectorsOf(FileSystemType eLayout) const;
    std::uint32_t RootDirSectorsOf(FileSystemType eLayout) const;
    std::uint64_t FirstDataSectorOf(FileSystemType eLayout) const;

    FileSystemType m_eType = FILE_SYSTEM_UNRECOGNISED;
    std::uint32_t m_u32DeviceSectorSize = 512;
    std::uint16_t m_u16BytesPerSector = 0;
    std::uint8_t m_u8SectorsPerCluster = 0;
    std::uint16_t m_u16Reserved = 0;
    std::uint8_t m_u8Fats = 0;
    std::uint8_t m_u8Media = 0;
    std::uint16_t m_u16RootEntries = 0;
    std::uint16_t m_u16TotalSectors16 = 0;
    std::uint16_t m_u16SectorsPerFat16 = 0;
    std::uint32_t m_u32TotalSectors32 = 0;
    std::uint32_t m_u32SectorsPerFat32 = 0;
    std::uint32_t m_u32RootCluster = 0;
    std::uint32_t m_u32Serial = 0;
};
