#include "engine/hfsplus/complete/HfsPlusSectorProbe.h"

#include <algorithm>

#include "engine/hfsplus/journal/HfsPlusJournalWalk.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

namespace hfsplus {

namespace {
constexpr std::uint64_t kJournalUnit = 512;
constexpr std::size_t kJournalOffsetField = 36;
constexpr std::size_t kJournalSizeField = 44;
constexpr std::size_t kJournalReserved = 52;
}  // namespace

HeaderProbe ProbeVolumeHeaders(engine::ByteView sector) {
    HeaderProbe probe;
    for (std::size_t at = 0; sector.Has(at, kVolumeHeaderSize); at += kVolumeHeaderSize) {
        engine::ByteView const piece = sector.Sub(at, kVolumeHeaderSize);
        std::uint16_t const u16Signature = piece.Be16(0);
        if (u16Signature != kSignatureHfsPlus && u16Signature != kSignatureHfsX) continue;
        std::optional<HFSPlusVolumeHeader> const header = ReadVolumeHeader(piece);
        if (!header || !IsValidVolumeHeader(*header)) continue;
        if (++probe.uValid == 1) {
            probe.pieceOffset = at;
            probe.header = header;
        }
    }
    if (probe.uValid != 1) probe.header.reset();
    return probe;
}

std::optional<JournalInfoBlock> ReadJournalInfoBlock(engine::ByteView bytes) {
    if (!bytes.Has(0, kJournalInfoSize)) return std::nullopt;
    for (std::size_t i = kJournalReserved; i < kJournalInfoSize; ++i)
        if (bytes.U8(i) != 0) return std::nullopt;
    JournalInfoBlock info;
    info.u32Flags = bytes.Be32(0);
    info.u64Offset = bytes.Be64(kJournalOffsetField);
    info.u64Size = bytes.Be64(kJournalSizeField);
    if (info.u64Size == 0 || info.u64Offset % kJournalUnit != 0 || info.u64Size % kJournalUnit != 0)
        return std::nullopt;
    return info;
}

bool IsJournalInfoSector(engine::ByteView sector) {
    // The fill is checked first: it is what random or zeroed sectors fail at once.
    if (sector.Size() <= kJournalInfoSize || sector.U8(sector.Size() - 1) != kJournalInfoFill) return false;
    for (std::size_t i = kJournalInfoSize; i < sector.Size(); ++i)
        if (sector.U8(i) != kJournalInfoFill) return false;
    return ReadJournalInfoBlock(sector).has_value();
}

bool IsJournalHeaderSector(engine::ByteView sector) {
    return (sector.Le32(0) == kJournalMagic && sector.Le32(4) == kJournalEndian) ||
           (sector.Be32(0) == kJournalMagic && sector.Be32(4) == kJournalEndian);
}

bool MayStartHeaderOrLeaf(engine::ByteView sector) {
    if (!sector.Has(0, kNodeDescriptorSize) || sector.Be16(12) != 0) return false;
    auto const s8Kind = static_cast<std::int8_t>(sector.U8(8));
    std::uint8_t const u8Height = sector.U8(9);
    return (s8Kind == kKindLeaf && u8Height == 1) || (s8Kind == kKindHeader && u8Height == 0);
}

std::uint32_t FindNodeSize(engine::ByteView bytes, std::uint32_t u32SectorSize) {
    std::uint32_t u32Size = std::max(u32SectorSize, kMinNodeSize);
    for (; u32Size <= kMaxNodeSize && bytes.Has(0, u32Size); u32Size *= 2) {
        engine::ByteView const node = bytes.Sub(0, u32Size);
        // The first record always starts right after the descriptor: a cheap look first.
        if (node.Be16(u32Size - 2) == kNodeDescriptorSize && IsValidNode(node)) return u32Size;
    }
    return 0;
}

}  // namespace hfsplus
