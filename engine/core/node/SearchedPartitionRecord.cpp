#include "engine/SearchedPartitionRecord.h"

#include "engine/ByteView.h"
#include "engine/ByteWriter.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/crossvolume/VolumePlacement.h"

namespace {
// Offsets in the stored form: the u32 type, then the record's own offsets shifted by 4.
constexpr std::size_t kTypeOffset = 0;
constexpr std::size_t kRecord = 4;
constexpr std::size_t kFileSystemValue = kRecord + 8;
constexpr std::size_t kPartitionIndex = kRecord + 16;
constexpr std::size_t kFileSystemType = kRecord + 20;
constexpr std::size_t kSectorsPerCluster = kRecord + 24;
constexpr std::size_t kStartSector = kRecord + 32;
constexpr std::size_t kFileSystemValues = kRecord + 40;
constexpr std::size_t kSectorSize = kRecord + 64;
constexpr std::size_t kFileSystemFlags = kRecord + 68;
constexpr std::size_t kTotalSectors = kRecord + 72;
constexpr std::size_t kFileSystemCount = kRecord + 80;
constexpr std::size_t kScore = kRecord + 88;
constexpr std::size_t kFileSystemExtra = kRecord + 96;
constexpr std::size_t kU64Size = 8;
constexpr std::size_t kU32Size = 4;
}  // namespace

std::array<std::uint8_t, kStoredSearchedPartitionSize> StoreSearchedPartitionInfo(CSearchedPartitionInfo const& info) {
    std::array<std::uint8_t, kStoredSearchedPartitionSize> bytes{};  // unused bytes and padding stay zero
    engine::ByteWriter writer(bytes);
    writer.Le32(kTypeOffset, info.GetType());
    writer.Le64(kFileSystemValue, info.m_u64FileSystemValue);
    writer.Le16(kPartitionIndex, info.m_u16PartitionIndex);
    writer.Le32(kFileSystemType, info.m_u32FileSystemType);
    writer.Le32(kSectorsPerCluster, info.m_u32SectorsPerCluster);
    writer.Le64(kStartSector, static_cast<std::uint64_t>(info.m_s64StartSector));
    for (std::size_t i = 0; i < std::size(info.m_u64FileSystemValues); ++i)
        writer.Le64(kFileSystemValues + i * kU64Size, info.m_u64FileSystemValues[i]);
    writer.Le32(kSectorSize, info.m_u32SectorSize);
    writer.Le32(kFileSystemFlags, info.m_u32FileSystemFlags);
    writer.Le64(kTotalSectors, info.m_u64TotalSectors);
    writer.Le64(kFileSystemCount, info.m_u64FileSystemCount);
    writer.LeDouble(kScore, info.m_dScore);
    for (std::size_t i = 0; i < std::size(info.m_u32FileSystemExtra); ++i)
        writer.Le32(kFileSystemExtra + i * kU32Size, info.m_u32FileSystemExtra[i]);
    return bytes;
}

bool LoadSearchedPartitionInfo(std::span<std::uint8_t const> bytes, std::uint32_t& u32Type,
                               CSearchedPartitionInfo& info) {
    engine::ByteView const view(bytes);
    if (!view.Has(0, kStoredSearchedPartitionSize)) return false;

    u32Type = view.Le32(kTypeOffset);
    // The record's first 8 bytes held a table pointer when written; they carry nothing.
    info.m_u64FileSystemValue = view.Le64(kFileSystemValue);
    info.m_u16PartitionIndex = view.Le16(kPartitionIndex);
    info.m_u32FileSystemType = view.Le32(kFileSystemType);
    info.m_u32SectorsPerCluster = view.Le32(kSectorsPerCluster);
    info.m_s64StartSector = static_cast<std::int64_t>(view.Le64(kStartSector));
    for (std::size_t i = 0; i < std::size(info.m_u64FileSystemValues); ++i)
        info.m_u64FileSystemValues[i] = view.Le64(kFileSystemValues + i * kU64Size);
    // Copy-out divides by the sector size: keep the constructor's guarantee for stored records too.
    info.m_u32SectorSize = CSearchedPartitionInfo::UsableSectorSize(view.Le32(kSectorSize));
    info.m_u32FileSystemFlags = view.Le32(kFileSystemFlags);
    info.m_u64TotalSectors = view.Le64(kTotalSectors);
    info.m_u64FileSystemCount = view.Le64(kFileSystemCount);
    info.m_dScore = engine::LeDoubleFromBits(view.Le64(kScore));
    for (std::size_t i = 0; i < std::size(info.m_u32FileSystemExtra); ++i)
        info.m_u32FileSystemExtra[i] = view.Le32(kFileSystemExtra + i * kU32Size);
    return true;
}

std::vector<std::uint8_t> StoreSearchedPartitionPlacement(CSearchedPartitionInfo const& info) {
    return info.m_pPlacement ? info.m_pPlacement->Store() : std::vector<std::uint8_t>();
}

bool LoadSearchedPartitionPlacement(std::span<std::uint8_t const> bytes, CSearchedPartitionInfo& info) {
    std::optional<CVolumePlacement> placement = CVolumePlacement::Load(engine::ByteView(bytes));
    if (!placement) return false;
    info.m_pPlacement = std::make_shared<CVolumePlacement const>(std::move(*placement));
    return true;
}
