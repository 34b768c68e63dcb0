#include "engine/carve/analysers/TiffDirectory.h"

#include <array>

namespace tiff {

namespace {
constexpr std::array<std::uint8_t, 14> kTypeBytes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
}

std::uint32_t TypeBytes(std::uint32_t u32Type) { return u32Type < kTypeBytes.size() ? kTypeBytes[u32Type] : 0; }

std::optional<engine::ByteOrder> OrderOf(engine::ByteView header) {
    if (header.Equals(0, "II")) return engine::ByteOrder::Little;
    if (header.Equals(0, "MM")) return engine::ByteOrder::Big;
    return std::nullopt;
}

bool DecodeDirectory(engine::ByteView bytes, engine::ByteOrder order, std::uint32_t u32MaxEntries,
                     Directory& directory) {
    directory.entries.clear();
    directory.next.reset();
    if (!bytes.Has(0, 2)) return false;
    std::uint32_t const u32Entries = bytes.U16(0, order);
    if (u32Entries > u32MaxEntries || !bytes.Has(2, std::size_t{u32Entries} * kEntryBytes)) return false;
    directory.entries.reserve(u32Entries);
    for (std::uint32_t i = 0; i < u32Entries; ++i) {
        std::size_t const at = 2 + std::size_t{i} * kEntryBytes;
        Entry entry;
        entry.u16Tag = bytes.U16(at, order);
        entry.u16Type = bytes.U16(at + 2, order);
        entry.u32Count = bytes.U32(at + 4, order);
        std::uint32_t const u32TypeBytes = TypeBytes(entry.u16Type);
        entry.u64DataBytes = std::uint64_t{entry.u32Count} * u32TypeBytes;
        entry.u32FieldAt = static_cast<std::uint32_t>(at + 8);
        entry.u32Field = bytes.U32(at + 8, order);
        entry.u32Value = u32TypeBytes == 2 && entry.u32Count == 1 ? bytes.U16(at + 8, order) : entry.u32Field;
        directory.entries.push_back(entry);
    }
    std::size_t const link = 2 + std::size_t{u32Entries} * kEntryBytes;
    if (bytes.Has(link, 4)) directory.next = bytes.U32(link, order);
    return true;
}

}  // namespace tiff
