#pragma once
// A file's whole entry set: the file entry, then as many secondary entries as it counts: the
// stream extension, the name entries, and any benign secondary entries after them (vendor
// extensions), which are passed over. A set is believed only as a whole: its checksum must
// match, and a file's lengths must fit the cluster heap. A folder's length is bounded instead,
// so that a damaged one still leads to its files; but a folder is whole sectors long, and a set
// saying "folder" of any other length (a file's attribute byte damaged) is no folder and no file.
#include <array>
#include <cstdint>
#include <optional>

#include "engine/ByteView.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"

namespace exfat {

constexpr std::size_t kMaxSetEntries = 1 + kMaxSecondaryCount;
constexpr std::size_t kMaxNameChars = 255;
/// No folder may hold more than 256 MiB of entries.
constexpr std::uint64_t kMaxFolderBytes = std::uint64_t{256} << 20;

struct EntrySet {
    FileEntry file;
    StreamEntry stream;           // a folder's lengths bounded by kMaxFolderBytes and the heap
    bool bLengthBounded = false;  // a folder whose recorded length no folder can have
    std::uint8_t u8NameCount = 0;
    std::array<std::uint16_t, kMaxNameChars> name{};
};

/// How many entries the set that `fileEntry` opens spans (1 + its secondary count); 0 when it is
/// no file entry (0x85 or 0x05) or its count is out of range.
std::size_t SetEntryCount(engine::ByteView fileEntry);

/// The set in `set` (exactly SetEntryCount entries, all live or all deleted); nothing when it
/// is damaged. When a set whose checksum matches fails a later check, `ppszFailure` (when
/// given) is pointed at the reason, for the log.
std::optional<EntrySet> ParseEntrySet(engine::ByteView set, StreamLimits const& limits,
                                      char const** ppszFailure = nullptr);

}  // namespace exfat
