#include "support/ByteFields.h"

#include <span>

namespace testsupport {

void LeOfWidth(engine::ByteWriter& writer, std::size_t offset, std::uint64_t value, int width) {
    switch (width) {
        case 1:
            writer.U8(offset, static_cast<std::uint8_t>(value));
            break;
        case 2:
            writer.Le16(offset, static_cast<std::uint16_t>(value));
            break;
        case 4:
            writer.Le32(offset, static_cast<std::uint32_t>(value));
            break;
        case 8:
            writer.Le64(offset, value);
            break;
        default:
            writer.U8(~std::size_t{0}, 0);  // no such field: a write that never fits marks the writer
    }
}

engine::ByteWriter Grow(std::vector<std::uint8_t>& bytes, std::size_t size) {
    bytes.resize(bytes.size() + size);
    return engine::ByteWriter(std::span(bytes).last(size));
}

void LeTiffEntry(engine::ByteWriter& writer, std::size_t offset, TiffEntry const& entry) {
    writer.Le16(offset, entry.u16Tag);
    writer.Le16(offset + 2, entry.u16Type);
    writer.Le32(offset + 4, entry.u32Count);
    writer.Le32(offset + 8, entry.u32Value);
}

void LeTiffDirectory(engine::ByteWriter& writer, std::size_t offset, std::span<TiffEntry const> entries,
                     std::uint32_t u32Next) {
    writer.Le16(offset, static_cast<std::uint16_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) LeTiffEntry(writer, offset + 2 + 12 * i, entries[i]);
    writer.Le32(offset + 2 + 12 * entries.size(), u32Next);
}

}  // namespace testsupport
