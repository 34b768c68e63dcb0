#pragma once
// The NTFS boot sector. Strict, because the deep search tries it on every sector of a disk:
//
// | Offset | Width | Field                                                            |
// | 3      | 8     | "NTFS    "                                                       |
// | 11     | 2     | bytes per sector: non-zero multiple of 512                       |
// | 13     | 1     | sectors per cluster: 1..128, a power of two                      |
// | 14     | 2     | reserved sectors: 0                                              |
// | 16..23 |       | FAT fields: 0 (byte 21, the media descriptor, is not checked)    |
// | 32     | 4     | 32-bit total sectors: 0                                          |
// | 40     | 8     | total sectors                                                    |
// | 48     | 8     | first cluster of $MFT                                            |
// | 56     | 8     | first cluster of $MFTMirr                                        |
// | 64     | 1     | FILE record size: clusters, or 2^-n bytes when negative          |
// | 72     | 8     | volume serial number                                             |
// | 510    | 2     | 0x55 0xAA                                                        |
#include <array>
#include <cstdint>

#include "engine/ByteView.h"

class CNTFSDBR {
public:
    static constexpr std::size_t kSize = 512;

    /// The full test; false for a view shorter than 512 bytes. Checks the first bytes first.
    static bool IsFullValidDBR(engine::ByteView sector);
    /// Only the "NTFS    " id at 3.
    static bool IsValidDBR(engine::ByteView sector);

    /// Keeps a copy of the sector when IsFullValidDBR holds; answers whether it did.
    bool InitFromBuffer(engine::ByteView sector);

    std::uint32_t GetBytesPerSector() const { return View().Le16(11); }
    std::uint32_t GetSectorsperCluster() const { return View().U8(13); }
    std::uint64_t GetTotalSectors() const { return View().Le64(40); }
    std::uint64_t GetMFTStartCluster() const { return View().Le64(48); }
    std::uint64_t GetMFTMirrorStartCluster() const { return View().Le64(56); }
    std::uint64_t GetSerialNumber() const { return View().Le64(72); }
    /// Bytes per FILE record; 0 when the field gives none a shift or product can hold.
    std::uint32_t GetFileRecordSizeByByte() const;

private:
    engine::ByteView View() const { return engine::ByteView(m_sector.data(), m_sector.size()); }

    std::array<std::uint8_t, kSize> m_sector{};
};

/// The FILE record size the byte at 64 gives for a volume of these cluster and sector sizes.
std::uint32_t NtfsFileRecordSize(std::uint8_t u8Field, std::uint32_t u32SectorsPerCluster,
                                 std::uint32_t u32BytesPerSector);

/// Whether `s64Sector` is the first sector of cluster `s64Cluster` of a volume starting at
/// `s64PartitionStart` with `u32SectorsPerCluster` sectors per cluster (0 never matches).
bool IsClusterNOMatch(std::int64_t s64Sector, std::int64_t s64Cluster, std::int64_t s64PartitionStart,
                      std::uint32_t u32SectorsPerCluster);
