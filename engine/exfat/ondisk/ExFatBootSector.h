#pragma once
// The exFAT boot sector (main boot region, first sector), read into a host-order record.
//
//   offset width field
//        3     8 file-system name "EXFAT   "
//       11    53 must be zero (where FAT keeps its BIOS parameter block)
//       72     8 volume length in sectors
//       80     4 FAT offset in sectors
//       84     4 FAT length in sectors
//       88     4 cluster-heap offset in sectors
//       92     4 cluster count
//       96     4 first cluster of the root folder
//      100     4 volume serial number
//      106     2 volume flags; bit 0 is the active FAT
//      108     1 bytes-per-sector shift
//      109     1 sectors-per-cluster shift
//      110     1 number of FATs
//      510     2 signature 0xAA55
#include <cstdint>

#include "engine/ByteView.h"

class CExFatDBR {
public:
    static constexpr std::size_t kSize = 512;

    /// Reads the fields; a view shorter than 512 bytes gives a record that is never valid.
    explicit CExFatDBR(engine::ByteView sector);

    /// Whether this is a usable exFAT boot sector on a device of `u32SectorSize`-byte sectors:
    /// name and signature, zeroed legacy area, sector shift 9..12 matching the device, clusters
    /// of at most 32 MiB, one or two FATs, and FAT, heap and clusters inside the volume.
    bool IsValid(std::uint32_t u32SectorSize) const;

    std::uint64_t GetTotalSectors() const { return m_u64VolumeLength; }
    std::uint32_t GetFatStartSector() const { return m_u32FatOffset; }
    std::uint32_t GetSectorsPerFat() const { return m_u32FatLength; }
    std::uint32_t GetDataRegionStartSector() const { return m_u32HeapOffset; }
    std::uint32_t GetTotalCluster() const { return m_u32ClusterCount; }
    std::uint32_t GetRootDirStartCluster() const { return m_u32RootCluster; }
    std::uint32_t GetVolumeSerial() const { return m_u32Serial; }
    std::uint32_t GetActiveFatNumber() const { return m_u16VolumeFlags & 1u; }
    std::uint32_t GetBytePerSectorShift() const { return m_u8SectorShift; }
    std::uint32_t GetSectorsPerClusterShift() const { return m_u8ClusterShift; }
    /// 1 shifted by the sector shift; 0 when the shift is out of range.
    std::uint32_t GetBytePerSector() const;
    /// 1 shifted by the cluster shift; 0 when the shift is out of range.
    std::uint32_t GetSectorsperCluster() const;
    std::uint32_t GetNumberOfFat() const { return m_u8NumberOfFats; }
    std::uint32_t GetFileSystemType() const { return kFileSystemType; }

private:
    static constexpr std::uint32_t kFileSystemType = 7;

    bool m_bComplete = false;
    bool m_bSignatures = false;
    bool m_bLegacyAreaZero = false;
    std::uint64_t m_u64VolumeLength = 0;
    std::uint32_t m_u32FatOffset = 0;
    std::uint32_t m_u32FatLength = 0;
    std::uint32_t m_u32HeapOffset = 0;
    std::uint32_t m_u32ClusterCount = 0;
    std::uint32_t m_u32RootCluster = 0;
    std::uint32_t m_u32Serial = 0;
    std::uint16_t m_u16VolumeFlags = 0;
    std::uint8_t m_u8SectorShift = 0;
    std::uint8_t m_u8ClusterShift = 0;
    std::uint8_t m_u8NumberOfFats = 0;
};
