#pragma once
// The "$I" index file Windows writes beside each "$R" data file of a recycle bin, read for the
// data file's original name. Both layouts Windows has used:
//
//   offset  size  field
//   0       8     version: 1 (Vista to 8.1) or 2 (10 and later)
//   8       8     size of the deleted file
//   16      8     deletion time (FILETIME)
//   version 1:
//   24      520   original path, UTF-16LE, NUL-terminated (260 units)
//   version 2:
//   24      4     length of the path in UTF-16 units, its NUL included
//   28      2*n   original path, UTF-16LE
//
// The path starts with a drive prefix ("C:\"); the name is what follows its last backslash.
#include <cstddef>
#include <optional>
#include <string>

#include "engine/ByteView.h"

namespace recycle {

/// How much of an index file is read: both layouts with any name Windows allows fit.
constexpr std::size_t kIndexReadBytes = 1024;
/// Longest name accepted, in UTF-16 units: one path component on Windows.
constexpr std::size_t kMaxNameUnits = 255;
/// Room for the longest name in UTF-8, its terminator left over.
constexpr std::size_t kMaxNameBytes = kIndexReadBytes - 1;

/// The original file name an index file records, as UTF-8; nothing when the bytes hold no
/// usable name (unknown version, a path cut short by the end of the bytes, no drive prefix, or
/// a name that is empty, "." or "..", holds "/" or is longer than kMaxNameUnits). A name given
/// is safe as one path component.
std::optional<std::string> OriginalName(engine::ByteView bytes);

}  // namespace recycle
