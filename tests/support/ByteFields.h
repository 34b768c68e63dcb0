#pragma once
// Test images are written field by field through engine::ByteWriter; these cover what the tests
// add to it: a field whose width a table gives, bytes appended as they are written, and the TIFF
// directories that photographs and raw files are built around.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ByteWriter.h"

namespace testsupport {

/// Writes `value` as `width` little-endian bytes (1, 2, 4 or 8) at `offset`; another width is
/// dropped and leaves the writer not Ok().
void LeOfWidth(engine::ByteWriter& writer, std::size_t offset, std::uint64_t value, int width);

/// Appends `size` zero bytes to `bytes` and answers a writer over them.
engine::ByteWriter Grow(std::vector<std::uint8_t>& bytes, std::size_t size);

/// A TIFF directory entry: its tag, field type (3 SHORT, 4 LONG, ...), count, and its value or
/// where its values stand.
struct TiffEntry {
    std::uint16_t u16Tag;
    std::uint16_t u16Type;
    std::uint32_t u32Count;
    std::uint32_t u32Value;
};

/// Writes `entry` little-endian at `offset`. A single SHORT fills the value field as a LONG of the
/// same value does, its first two bytes.
void LeTiffEntry(engine::ByteWriter& writer, std::size_t offset, TiffEntry const& entry);
/// Writes a little-endian TIFF directory at `offset`: its entry count, `entries` and the offset of
/// the next directory.
void LeTiffDirectory(engine::ByteWriter& writer, std::size_t offset, std::span<TiffEntry const> entries,
                     std::uint32_t u32Next = 0);

}  // namespace testsupport
