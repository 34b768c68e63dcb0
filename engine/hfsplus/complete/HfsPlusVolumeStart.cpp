#include "engine/hfsplus/complete/HfsPlusVolumeStart.h"

#include <algorithm>
#include <vector>

#include "engine/core/bytes/CheckedMath.h"
#include "engine/hfsplus/complete/HfsPlusSectorProbe.h"
#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

namespace hfsplus {

namespace {

/// The bytes from `u64Offset` on, cut at the device's end; empty when nothing can be read.
std::vector<std::uint8_t> ReadUpTo(std::uint64_t u64Offset, std::uint64_t u64Length, std::uint64_t u64DeviceBytes,
                                   DeviceByteRead const& read) {
    if (u64Offset >= u64DeviceBytes) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(u64Length, u64DeviceBytes - u64Offset)));
    if (!read(u64Offset, bytes)) bytes.clear();
    return bytes;
}

/// Candidate volume starts, latest first, and the device bytes that hold, for each, the first
/// bytes of one structure (read once for all of them).
class StartWindow {
public:
    StartWindow(std::uint64_t u64Latest, std::uint64_t u64Earliest, std::uint32_t u32Step)
        : m_u64Latest(u64Latest), m_u64Earliest(u64Earliest), m_u32Step(u32Step) {}

    /// Reads `u64Length` bytes at every start's `u64Offset`; false when none can be read.
    bool Load(std::uint64_t u64Offset, std::uint64_t u64Length, std::uint64_t u64DeviceBytes,
              DeviceByteRead const& read) {
        auto const first = engine::CheckedAdd(m_u64Earliest, u64Offset);
        if (!first) return false;
        m_u64First = *first;
        m_bytes = ReadUpTo(m_u64First, m_u64Latest - m_u64Earliest + u64Length, u64DeviceBytes, read);
        return !m_bytes.empty();
    }
    /// The loaded bytes of candidate `u64Start`; empty when they were not read.
    engine::ByteView At(std::uint64_t u64Start, std::size_t length) const {
        return engine::ByteView(m_bytes.data(), m_bytes.size())
            .Sub(static_cast<std::size_t>(u64Start - m_u64Earliest), length);
    }
    std::uint64_t Latest() const { return m_u64Latest; }
    std::uint64_t Earliest() const { return m_u64Earliest; }
    std::uint32_t Step() const { return m_u32Step; }

private:
    std::uint64_t m_u64Latest;
    std::uint64_t m_u64Earliest;
    std::uint32_t m_u32Step;
    std::uint64_t m_u64First = 0;
    std::vector<std::uint8_t> m_bytes;
};

/// Whether `first` (the first bytes of a node) starts a header node; its node size, else 0.
std::uint16_t HeaderNodeSize(engine::ByteView first) {
    if (!first.Has(0, kNodeDescriptorSize + kHeaderRecordSize)) return 0;
    if (static_cast<std::int8_t>(first.U8(8)) != kKindHeader || first.U8(9) != 0) return 0;
    std::optional<BTHeaderRec> const record = ReadHeaderRec(first.Sub(kNodeDescriptorSize, kHeaderRecordSize));
    return record && IsValidNodeSize(record->u16NodeSize) ? record->u16NodeSize : 0;
}

bool CatalogHeaderNodeAt(std::uint64_t u64At, engine::ByteView first, std::uint64_t u64DeviceBytes,
                         DeviceByteRead const& read) {
    std::uint16_t const u16NodeSize = HeaderNodeSize(first);
    if (u16NodeSize == 0) return false;
    std::vector<std::uint8_t> const node = ReadUpTo(u64At, u16NodeSize, u64DeviceBytes, read);
    return node.size() == u16NodeSize && IsValidNode(engine::ByteView(node.data(), node.size()));
}

bool JournalInfoBlockIn(HFSPlusVolumeHeader const& header, engine::ByteView bytes) {
    std::optional<JournalInfoBlock> const info = ReadJournalInfoBlock(bytes);
    auto const end = info ? engine::CheckedAdd(info->u64Offset, info->u64Size) : std::nullopt;
    return end && *end <= VolumeBytes(header);
}

bool IsJournaled(HFSPlusVolumeHeader const& header) {
    return (header.u32Attributes & kAttributeJournaled) != 0 && header.u32JournalInfoBlock != 0;
}

/// The latest start of the window whose catalog header node or journal info block is found.
std::optional<std::uint64_t> ConfirmedStartIn(HFSPlusVolumeHeader const& header, StartWindow& window,
                                              std::uint64_t u64DeviceBytes, DeviceByteRead const& read) {
    std::uint64_t const u64BlockSize = header.u32BlockSize;
    std::uint64_t const u64Catalog = std::uint64_t{header.catalogFile.extents[0].u32StartBlock} * u64BlockSize;
    if (window.Load(u64Catalog, kMinNodeSize, u64DeviceBytes, read)) {
        for (std::uint64_t u64Start = window.Latest();; u64Start -= window.Step()) {
            if (CatalogHeaderNodeAt(u64Start + u64Catalog, window.At(u64Start, kMinNodeSize), u64DeviceBytes, read))
                return u64Start;
            if (u64Start < window.Earliest() + window.Step()) break;
        }
    }
    if (!IsJournaled(header) ||
        !window.Load(std::uint64_t{header.u32JournalInfoBlock} * u64BlockSize, kJournalInfoSize, u64DeviceBytes, read))
        return std::nullopt;
    for (std::uint64_t u64Start = window.Latest();; u64Start -= window.Step()) {
        if (JournalInfoBlockIn(header, window.At(u64Start, kJournalInfoSize))) return u64Start;
        if (u64Start < window.Earliest() + window.Step()) break;
    }
    return std::nullopt;
}

}  // namespace

bool ConfirmsVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64DeviceBytes,
                         DeviceByteRead const& read) {
    StartWindow window(u64Start, u64Start, 1);
    return ConfirmedStartIn(header, window, u64DeviceBytes, read).has_value();
}

std::optional<VolumeStart> LocateVolumeStart(HFSPlusVolumeHeader const& header, std::uint64_t u64HeaderByte,
                                             std::uint64_t u64DeviceBytes, std::uint32_t u32SectorSize,
                                             DeviceByteRead const& read) {
    if (u32SectorSize == 0 || header.u32BlockSize == 0) return std::nullopt;
    if (u64HeaderByte >= kVolumeHeaderOffset && (u64HeaderByte - kVolumeHeaderOffset) % u32SectorSize == 0 &&
        ConfirmsVolumeStart(header, u64HeaderByte - kVolumeHeaderOffset, u64DeviceBytes, read))
        return VolumeStart{u64HeaderByte - kVolumeHeaderOffset, false};

    std::uint64_t const u64End = u64HeaderByte + kVolumeHeaderOffset;
    std::uint64_t const u64Bytes = VolumeBytes(header);
    if (u64End < u64Bytes) return std::nullopt;
    // From the start a whole number of blocks gives, back to one block before it.
    std::uint64_t const u64Latest = (u64End - u64Bytes) / u32SectorSize * u32SectorSize;
    std::uint64_t const u64Earliest =
        u64End - u64Bytes >= header.u32BlockSize ? u64End - u64Bytes - header.u32BlockSize + 1 : 0;
    if (u64Latest < u64Earliest) return std::nullopt;  // no whole sector in the window
    StartWindow window(u64Latest, (u64Earliest + u32SectorSize - 1) / u32SectorSize * u32SectorSize, u32SectorSize);
    std::optional<std::uint64_t> const start = ConfirmedStartIn(header, window, u64DeviceBytes, read);
    if (!start) return std::nullopt;
    return VolumeStart{*start, true};
}

bool IsHeaderOfVolume(HFSPlusVolumeHeader const& header, std::uint64_t u64Start, std::uint64_t u64HeaderByte) {
    if (u64HeaderByte == u64Start + kVolumeHeaderOffset) return true;
    std::uint64_t const u64AlternateMin = u64Start + VolumeBytes(header);
    // The alternate lies 1024 bytes before the end, which a partial last block may push back.
    return u64HeaderByte + kVolumeHeaderOffset >= u64AlternateMin &&
           u64HeaderByte + kVolumeHeaderOffset < u64AlternateMin + header.u32BlockSize;
}

}  // namespace hfsplus
