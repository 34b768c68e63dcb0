#pragma once
// A file system's own name for itself, as libblkid reads it (FAT, exFAT, NTFS, HFS+ and more):
// for the volumes a partition table or a disk image describes, which no system probe has seen.
#include <cstdint>
#include <string>

namespace platform {

/// The label of the file system at `u64Offset` of the node or image file `path`, `u64Size` bytes
/// long (0: to its end), read-only; "" when there is none or it cannot be read.
std::string ReadVolumeLabel(std::string const& path, std::uint64_t u64Offset, std::uint64_t u64Size);

/// What tells one medium from another of the same name and size, as libblkid reads it: with
/// `bTable`, the partition table's id ("PT:" and the MBR signature or GPT disk GUID) when there is
/// a table, else the file system's serial or UUID (as "UUID:..."); "" when neither is there.
std::string ReadMediumId(std::string const& path, std::uint64_t u64Offset, std::uint64_t u64Size, bool bTable);

}  // namespace platform
