#pragma once
// The HFS+ / HFSX volume header (512 bytes at byte 1024 of the volume, big-endian) and the
// fork data it holds for the special files.
//
//   offset  width  field
//   0       2      signature: "H+" (0x482B) or "HX" (0x4858)
//   2       2      version (4 for HFS+, 5 for HFSX)
//   4       4      attributes (bit 13: journaled)
//   12      4      journalInfoBlock
//   16..28  4 x 4  create, modify, backup, checked dates (seconds since 1904)
//   32      4      fileCount
//   36      4      folderCount
//   40      4      blockSize
//   44      4      totalBlocks
//   48      4      freeBlocks
//   64      4      nextCatalogID
//   104     8      finderInfo[6..7]: the volume identifier
//   112     80     allocationFile, then extentsFile (192), catalogFile (272),
//                  attributesFile (352), startupFile (432)
//
// Fork data (80 bytes): logicalSize (u64, 0), clumpSize (u32, 8), totalBlocks (u32, 12), then
// eight extent descriptors (startBlock u32, blockCount u32) from 16.
#include <array>
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"

namespace hfsplus {

constexpr std::uint64_t kVolumeHeaderOffset = 1024;
constexpr std::size_t kVolumeHeaderSize = 512;
/// A volume header's bytes as they lie on the disk.
using RawVolumeHeader = std::array<std::uint8_t, kVolumeHeaderSize>;
constexpr std::uint16_t kSignatureHfsPlus = 0x482B;
constexpr std::uint16_t kSignatureHfsX = 0x4858;
constexpr std::uint16_t kMaxVersion = 16;
constexpr std::uint32_t kAttributeJournaled = 0x2000;
constexpr std::size_t kForkDataSize = 80;
constexpr std::size_t kExtentsPerRecord = 8;
constexpr std::size_t kExtentDescriptorSize = 8;
constexpr std::size_t kExtentRecordSize = kExtentsPerRecord * kExtentDescriptorSize;

/// Catalog node ids of the volume's special files and folders.
constexpr std::uint32_t kRootParentID = 1;
constexpr std::uint32_t kRootFolderID = 2;
constexpr std::uint32_t kExtentsFileID = 3;
constexpr std::uint32_t kCatalogFileID = 4;
constexpr std::uint32_t kAllocationFileID = 6;
constexpr std::uint32_t kStartupFileID = 7;
constexpr std::uint32_t kAttributesFileID = 8;

constexpr std::uint8_t kForkTypeData = 0x00;
constexpr std::uint8_t kForkTypeResource = 0xFF;

struct HFSPlusExtentDescriptor {
    std::uint32_t u32StartBlock = 0;
    std::uint32_t u32BlockCount = 0;
};
using HFSPlusExtentRecord = std::array<HFSPlusExtentDescriptor, kExtentsPerRecord>;

struct HFSPlusForkData {
    std::uint64_t u64LogicalSize = 0;
    std::uint32_t u32ClumpSize = 0;
    std::uint32_t u32TotalBlocks = 0;
    HFSPlusExtentRecord extents{};
};

struct HFSPlusVolumeHeader {
    std::uint16_t u16Signature = 0;
    std::uint16_t u16Version = 0;
    std::uint32_t u32Attributes = 0;
    std::uint32_t u32JournalInfoBlock = 0;
    std::uint32_t u32ModifyDate = 0;
    std::uint32_t u32FileCount = 0;
    std::uint32_t u32FolderCount = 0;
    std::uint32_t u32BlockSize = 0;
    std::uint32_t u32TotalBlocks = 0;
    std::uint32_t u32FreeBlocks = 0;
    std::uint32_t u32NextCatalogID = 0;
    std::uint64_t u64VolumeID = 0;
    HFSPlusForkData allocationFile;
    HFSPlusForkData extentsFile;
    HFSPlusForkData catalogFile;
    HFSPlusForkData attributesFile;
    HFSPlusForkData startupFile;
};

/// Eight descriptors from `bytes`; zeros where they do not fit.
HFSPlusExtentRecord ReadExtentRecord(engine::ByteView bytes);
/// 80 bytes of fork data; zeros where they do not fit.
HFSPlusForkData ReadForkData(engine::ByteView bytes);
/// The host-order header, or nullopt when fewer than 512 bytes are given. Not checked.
std::optional<HFSPlusVolumeHeader> ReadVolumeHeader(engine::ByteView bytes);

/// Whether 512 bytes are a volume header this engine can use: signature, version, free and
/// journal blocks within the volume, and a catalog whose logical size is its blocks' bytes.
/// Beyond the classic rules it refuses what would make the volume unusable or divide by
/// zero: a block size that is not a power of two from 512 to 64 KiB, no blocks, an empty catalog.
bool IsValidVolumeHeader(std::uint8_t const* pBytes, std::uint16_t u16Length);
bool IsValidVolumeHeader(HFSPlusVolumeHeader const& header);

/// The volume's bytes: totalBlocks x blockSize, 64-bit.
std::uint64_t VolumeBytes(HFSPlusVolumeHeader const& header);

}  // namespace hfsplus
