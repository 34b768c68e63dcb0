#pragma once
// What one device sector of a complete scan can be for HFS+: a sector holding a volume header
// (in any of its 512-byte pieces), a journal info block, a journal header, or the start of a
// B-tree header or leaf node. Pure tests on bytes; the scan reads, these decide.
//
// Journal info block (big-endian, 180 bytes at the start of its allocation block):
//   0 flags (4), 4 device signature (32), 36 offset (8), 44 size (8), 52 reserved (128)
// Journal header: magic 0x4A4E4C78 at 0 and endian mark 0x12345678 at 4, both in the byte
// order of the machine that wrote the journal.
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplus {

constexpr std::size_t kJournalInfoSize = 180;
constexpr std::uint8_t kJournalInfoFill = 0xDB;

struct JournalInfoBlock {
    std::uint32_t u32Flags = 0;
    std::uint64_t u64Offset = 0;
    std::uint64_t u64Size = 0;
};

/// The volume headers among a sector's 512-byte pieces.
struct HeaderProbe {
    unsigned uValid = 0;                        // pieces that are valid headers
    std::size_t pieceOffset = 0;                // of the one header, when uValid is 1
    std::optional<HFSPlusVolumeHeader> header;  // set only when exactly one piece is a header
};

/// Every piece is looked at, whatever the others hold: a sector of 4 KiB ends a volume with its
/// alternate header after other data. A sector with two headers is ambiguous and gives none.
HeaderProbe ProbeVolumeHeaders(engine::ByteView sector);

/// The first 180 bytes as a journal info block: offset and size multiples of 512, size not 0,
/// reserved bytes zero. No look at the rest of the sector.
std::optional<JournalInfoBlock> ReadJournalInfoBlock(engine::ByteView bytes);
/// A sector that is a journal info block as newfs writes it: the block, then 0xDB to the end.
bool IsJournalInfoSector(engine::ByteView sector);
/// A sector starting with a journal header's magic and endian marks, in either byte order.
bool IsJournalHeaderSector(engine::ByteView sector);

/// Whether a sector can start a B-tree header node (kind 1, height 0) or leaf (kind -1, height
/// 1) with reserved 0: the cheap look before a node's size is sought.
bool MayStartHeaderOrLeaf(engine::ByteView sector);
/// The size of the node at the start of `bytes`: the smallest of `u32SectorSize`, twice that,
/// ... up to 32 KiB that fits `bytes` and passes IsValidNode; 0 when none does.
std::uint32_t FindNodeSize(engine::ByteView bytes, std::uint32_t u32SectorSize);

}  // namespace hfsplus
