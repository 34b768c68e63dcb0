#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

#include "engine/core/bytes/CheckedMath.h"

namespace hfsplus {

namespace {
constexpr std::uint32_t kMinBlockSize = 512;
constexpr std::uint32_t kMaxBlockSize = 64 * 1024;
constexpr std::size_t kExtentsInFork = 16;
constexpr std::size_t kFirstForkOffset = 112;
}  // namespace

HFSPlusExtentRecord ReadExtentRecord(engine::ByteView bytes) {
    HFSPlusExtentRecord record{};
    if (!bytes.Has(0, kExtentRecordSize)) return record;
    for (std::size_t i = 0; i < kExtentsPerRecord; ++i) {
        record[i].u32StartBlock = bytes.Be32(i * kExtentDescriptorSize);
        record[i].u32BlockCount = bytes.Be32(i * kExtentDescriptorSize + 4);
    }
    return record;
}

HFSPlusForkData ReadForkData(engine::ByteView bytes) {
    HFSPlusForkData fork;
    if (!bytes.Has(0, kForkDataSize)) return fork;
    fork.u64LogicalSize = bytes.Be64(0);
    fork.u32ClumpSize = bytes.Be32(8);
    fork.u32TotalBlocks = bytes.Be32(12);
    fork.extents = ReadExtentRecord(bytes.Sub(kExtentsInFork, kExtentRecordSize));
    return fork;
}

std::optional<HFSPlusVolumeHeader> ReadVolumeHeader(engine::ByteView bytes) {
    if (!bytes.Has(0, kVolumeHeaderSize)) return std::nullopt;
    HFSPlusVolumeHeader header;
    header.u16Signature = bytes.Be16(0);
    header.u16Version = bytes.Be16(2);
    header.u32Attributes = bytes.Be32(4);
    header.u32JournalInfoBlock = bytes.Be32(12);
    header.u32ModifyDate = bytes.Be32(20);
    header.u32FileCount = bytes.Be32(32);
    header.u32FolderCount = bytes.Be32(36);
    header.u32BlockSize = bytes.Be32(40);
    header.u32TotalBlocks = bytes.Be32(44);
    header.u32FreeBlocks = bytes.Be32(48);
    header.u32NextCatalogID = bytes.Be32(64);
    header.u64VolumeID = bytes.Be64(104);
    HFSPlusForkData* const forks[] = {&header.allocationFile, &header.extentsFile, &header.catalogFile,
                                      &header.attributesFile, &header.startupFile};
    for (std::size_t i = 0; i < std::size(forks); ++i)
        *forks[i] = ReadForkData(bytes.Sub(kFirstForkOffset + i * kForkDataSize, kForkDataSize));
    return header;
}

bool IsValidVolumeHeader(HFSPlusVolumeHeader const& header) {
    if (header.u16Signature != kSignatureHfsPlus && header.u16Signature != kSignatureHfsX) return false;
    if (!engine::IsPowerOfTwoBetween(header.u32BlockSize, kMinBlockSize, kMaxBlockSize)) return false;
    if (header.u16Version > kMaxVersion || header.u32TotalBlocks == 0) return false;
    if (header.u32FreeBlocks > header.u32TotalBlocks || header.u32JournalInfoBlock > header.u32TotalBlocks)
        return false;
    HFSPlusForkData const& catalog = header.catalogFile;
    if (catalog.u32TotalBlocks == 0 || catalog.u32TotalBlocks > header.u32TotalBlocks) return false;
    return std::uint64_t{header.u32BlockSize} * catalog.u32TotalBlocks == catalog.u64LogicalSize;
}

bool IsValidVolumeHeader(std::uint8_t const* pBytes, std::uint16_t u16Length) {
    if (pBytes == nullptr) return false;
    std::optional<HFSPlusVolumeHeader> const header = ReadVolumeHeader(engine::ByteView(pBytes, u16Length));
    return header && IsValidVolumeHeader(*header);
}

std::uint64_t VolumeBytes(HFSPlusVolumeHeader const& header) {
    return std::uint64_t{header.u32TotalBlocks} * header.u32BlockSize;
}

}  // namespace hfsplus
