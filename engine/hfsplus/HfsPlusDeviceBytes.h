#pragma once
// Bytes of a volume read straight from its device: whole sectors into the caller's buffer, a
// part of one through a sector-sized bounce buffer. The volume and its fork readers read so.
#include <cstdint>
#include <vector>

class IStorageDevice;

namespace hfsplus {

/// Copies `u64Length` bytes from byte `u64Offset` of `device`, whose sectors are
/// `bounce.size()` bytes; returns the bytes delivered, short at the first failed read.
std::uint64_t ReadDeviceBytes(IStorageDevice& device, std::uint64_t u64Offset, std::uint8_t* pOut,
                              std::uint64_t u64Length, std::vector<std::uint8_t>& bounce);

}  // namespace hfsplus
