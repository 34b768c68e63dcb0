#pragma once
// Compressed-file data as macOS writes it, made at test time: the decmpfs attribute and the
// resource fork of each type, zlib through the system's zlib, LZVN through a small greedy
// encoder (literal runs, large-distance matches, previous-distance match extensions).
#include <cstdint>
#include <vector>

#include "testkit/LzvnEncoder.h"

namespace hfsplustest {

using Bytes = std::vector<std::uint8_t>;

struct Compressed {
    Bytes attribute;
    Bytes fork;  // empty for the attribute kinds
};

/// Which damage the second block (or the size claim) gets.
enum class Damage { None, StoredSecondBlock, CorruptSecondBlock, ClaimsOneMore };

/// The 16-byte decmpfs header.
Bytes Header(std::uint32_t type, std::uint64_t size);
using testkit::LzvnEncode;
using testkit::TextLike;
/// The attribute and resource fork of `type` holding `data`.
Compressed Compress(std::uint32_t type, Bytes const& data, Damage damage);

}  // namespace hfsplustest
