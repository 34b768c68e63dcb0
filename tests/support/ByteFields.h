#pragma once
// Test images are written field by field through engine::ByteWriter; these two cover what the
// tests add to it: a field whose width a table gives, and bytes appended as they are written.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ByteWriter.h"

namespace testsupport {

/// Writes `value` as `width` little-endian bytes (1, 2, 4 or 8) at `offset`; another width is
/// dropped and leaves the writer not Ok().
void LeOfWidth(engine::ByteWriter& writer, std::size_t offset, std::uint64_t value, int width);

/// Appends `size` zero bytes to `bytes` and answers a writer over them.
engine::ByteWriter Grow(std::vector<std::uint8_t>& bytes, std::size_t size);

}  // namespace testsupport
