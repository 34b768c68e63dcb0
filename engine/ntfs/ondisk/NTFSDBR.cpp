#include "engine/ntfs/ondisk/NTFSDBR.h"

#include <algorithm>

#include "engine/core/bytes/CheckedMath.h"

namespace {
// Fields of the FAT parameter block that NTFS keeps zero; byte 21 (media descriptor) is not one.
constexpr std::size_t kZeroBytes[] = {14, 15, 16, 17, 18, 19, 20, 22, 23, 32, 33, 34, 35};
}  // namespace

bool CNTFSDBR::IsValidDBR(engine::ByteView sector) { return sector.Equals(3, "NTFS    "); }

bool CNTFSDBR::IsFullValidDBR(engine::ByteView sector) {
    if (!sector.Has(0, kSize) || !IsValidDBR(sector)) return false;
    std::uint16_t const u16BytesPerSector = sector.Le16(11);
    if (u16BytesPerSector == 0 || u16BytesPerSector % 512 != 0) return false;
    if (!engine::IsPowerOfTwoBetween(sector.U8(13), 1, 128)) return false;
    if (!std::all_of(std::begin(kZeroBytes), std::end(kZeroBytes), [&](std::size_t at) { return sector.U8(at) == 0; }))
        return false;
    return sector.U8(510) == 0x55 && sector.U8(511) == 0xAA;
}

bool CNTFSDBR::InitFromBuffer(engine::ByteView sector) {
    if (!IsFullValidDBR(sector)) return false;
    std::copy_n(sector.Data(), kSize, m_sector.begin());
    return true;
}

std::uint32_t CNTFSDBR::GetFileRecordSizeByByte() const {
    return NtfsFileRecordSize(View().U8(64), GetSectorsperCluster(), GetBytesPerSector());
}

std::uint32_t NtfsFileRecordSize(std::uint8_t u8Field, std::uint32_t u32SectorsPerCluster,
                                 std::uint32_t u32BytesPerSector) {
    if (u8Field == 0) return 1024;
    if (u8Field & 0x80) {
        unsigned const shift = 256u - u8Field;
        return shift < 32 ? (1u << shift) : 0;  // a shift of 32 or more has no answer
    }
    auto const bytes = engine::CheckedMul<std::uint32_t>(u8Field, u32SectorsPerCluster);
    if (!bytes) return 0;
    return engine::CheckedMul<std::uint32_t>(*bytes, u32BytesPerSector).value_or(0);
}

bool IsClusterNOMatch(std::int64_t s64Sector, std::int64_t s64Cluster, std::int64_t s64PartitionStart,
                      std::uint32_t u32SectorsPerCluster) {
    auto const offset = engine::CheckedSub(s64Sector, s64PartitionStart);
    if (u32SectorsPerCluster == 0 || !offset || *offset < 0 || *offset % u32SectorsPerCluster != 0) return false;
    return *offset / u32SectorsPerCluster == s64Cluster;
}
