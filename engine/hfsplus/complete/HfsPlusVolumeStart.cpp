#include "engine/hfsplus/complete/HfsPlusVolumeStart.h"

#include <vector>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/complete/HfsPlusSectorProbe.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

namespace hfsplus {

namespace {

/// Device byte of allocation block `u32Block` of a volume at `u64Start`; nullopt past the device.
std::optional<std::uint64_t> BlockByte(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint32_t u32Block,
                                       std::uint64_t u64DeviceBytes) {
    auto const offset = engine::CheckedMul<std::uint64_t>(u32Block, header.u32BlockSize);
    auto const at = offset ? engine::CheckedAdd(u64Start, *offset) : std::nullopt;
    if (!at || *at >= u64DeviceBytes) return std::nullopt;
    return at;
}

bool CatalogHeaderNodeAt(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64DeviceBytes,
                         DeviceByteRead const& read) {
    std::optional<std::uint64_t> const at = BlockByte(header, u64Start, header.catalogFile.extents[0].u32StartBlock, u64DeviceBytes);
    if (!at) return false;
    std::vector<std::uint8_t> bytes(kMinNodeSize);
    if (!read(*at, bytes)) return false;
    engine::ByteView const first(bytes.data(), bytes.size());
    if (static_cast<std::int8_t>(first.U8(8)) != kKindHeader || first.U8(9) != 0) return false;
    std::optional<BTHeaderRec> const record = ReadHeaderRec(first.Sub(kNodeDescriptorSize, kHeaderRecordSize));
    if (!record || !IsValidNodeSize(record->u16NodeSize)) return false;
    bytes.resize(record->u16NodeSize);
    if (!read(*at, bytes)) return false;
    return IsValidNode(engine::ByteView(bytes.data(), bytes.size()));
}

bool JournalInfoBlockAt(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64DeviceBytes,
                        DeviceByteRead const& read) {
    if ((header.u32Attributes & kAttributeJournaled) == 0 || header.u32JournalInfoBlock == 0) return false;
    std::optional<std::uint64_t> const at = BlockByte(header, u64Start, header.u32JournalInfoBlock, u64DeviceBytes);
    if (!at) return false;
    std::vector<std::uint8_t> bytes(kJournalInfoSize);
    if (!read(*at, bytes)) return false;
    std::optional<JournalInfoBlock> const info = ReadJournalInfoBlock(engine::ByteView(bytes.data(), bytes.size()));
    auto const end = info ? engine::CheckedAdd(info->u64Offset, info->u64Size) : std::nullopt;
    return end && *end <= VolumeBytes(header);
}

}  // namespace

bool ConfirmsVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64DeviceBytes,
                         DeviceByteRead const& read) {
    return CatalogHeaderNodeAt(header, u64Start, u64DeviceBytes, read) || JournalInfoBlockAt(header, u64Start, u64DeviceBytes, read);
}

std::optional<VolumeStart> LocateVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64HeaderByte,
                                             std::uint64_t u64DeviceBytes, std::uint32_t u32SectorSize, DeviceByteRead const& read) {
    if (u32SectorSize == 0 || header.u32BlockSize == 0) return std::nullopt;
    if (u64HeaderByte >= kVolumeHeaderOffset && (u64HeaderByte - kVolumeHeaderOffset) % u32SectorSize == 0 &&
        ConfirmsVolumeStart(header, u64HeaderByte - kVolumeHeaderOffset, u64DeviceBytes, read))
        return VolumeStart{u64HeaderByte - kVolumeHeaderOffset, false};

    std::uint64_t const u64End = u64HeaderByte + kVolumeHeaderOffset;
    std::uint64_t const u64Bytes = VolumeBytes(header);
    if (u64End < u64Bytes) return std::nullopt;
    // From the start a whole number of blocks gives, back to one block before it.
    std::uint64_t const u64Latest = (u64End - u64Bytes) / u32SectorSize * u32SectorSize;
    std::uint64_t const u64Earliest = u64End - u64Bytes >= header.u32BlockSize ? u64End - u64Bytes - header.u32BlockSize + 1 : 0;
    if (u64Latest < u64Earliest) return std::nullopt;  // no whole sector in the window
    for (std::uint64_t u64Start = u64Latest;; u64Start -= u32SectorSize) {
        if (ConfirmsVolumeStart(header, u64Start, u64DeviceBytes, read)) return VolumeStart{u64Start, true};
        if (u64Start < u64Earliest + u32SectorSize) break;
    }
    return std::nullopt;
}

bool IsHeaderOfVolume(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64HeaderByte) {
    if (u64HeaderByte == u64Start + kVolumeHeaderOffset) return true;
    std::uint64_t const u64AlternateMin = u64Start + VolumeBytes(header);
    // The alternate lies 1024 bytes before the end, which a partial last block may push back.
    return u64HeaderByte + kVolumeHeaderOffset >= u64AlternateMin &&
           u64HeaderByte + kVolumeHeaderOffset < u64AlternateMin + header.u32BlockSize;
}

}  // namespace hfsplus
