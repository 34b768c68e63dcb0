#pragma once
// The files a run of FAT folder entries names, in host order with their long names assembled.
// A folder's bytes are 32-byte entries (layout in TempFATDirEntry.h): a file is zero to twenty
// long-name pieces, last piece first, then its 8.3 entry. Entries that fail the entry checks,
// volume labels and the "." and ".." entries name no file. Touches no device, table or builder.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ByteView.h"

class CTempFATDirEntry;

namespace fat {

/// At most this many long-name pieces make one name (255 units need 20).
inline constexpr std::size_t kMaxLongNamePieces = 20;

/// One file or folder as its entries give it.
struct FATFolderEntry {
    std::string name;  // the long name when acceptable, else the 8.3 name
    std::uint8_t u8Attribute = 0;
    bool bErased = false;  // first byte 0xE5
    std::uint32_t u32FirstCluster = 0;
    std::uint32_t u32Size = 0;
    std::uint16_t u16CreationTime = 0;
    std::uint16_t u16CreationDate = 0;
    std::uint16_t u16LastAccessDate = 0;
    std::uint16_t u16ModificationTime = 0;
    std::uint16_t u16ModificationDate = 0;
    std::size_t offset = 0;  // where its 8.3 entry lies in the bytes parsed
    bool IsDirectory() const;
};

struct FATFolderParseOptions {
    bool bStopAtInvalid = false;    // end at the first entry that fails the checks
    std::uint32_t u32Clusters = 0;  // clusters 2 to u32Clusters + 1 exist; others name no file
    /// Whether what stood before the bytes may have taken the slots of the first pieces of a
    /// name they open (NameFrontMayBeLost); unknown (true) unless the bytes go on from a read.
    bool bFrontMayBeLost = true;
};

struct FATFolderParse {
    std::vector<FATFolderEntry> entries;
    /// Bytes read through: where an unfinished long name starts when one is pending at the end
    /// (the caller carries it into the next read), else where the walk ended.
    std::size_t consumed = 0;
    /// A third dot entry: these are not one folder's entries. The entries before it stand.
    bool bFailed = false;
};

/// Parses the entries of `bytes` into `result` (emptied first; its capacity is reused).
void ParseFATFolderEntries(engine::ByteView bytes, FATFolderParseOptions const& options, FATFolderParse& result);

/// Reads one file's run: long-name pieces, then the 8.3 entry that ends it. Nullopt when no 8.3
/// entry lies within `run`. The long name is used when the pieces are the whole name of the 8.3
/// entry (IsWholeLongName, with `bFrontMayBeLost`) and it is acceptable; otherwise the 8.3 name.
std::optional<FATFolderEntry> ParseFATEntryRun(engine::ByteView run, bool bFrontMayBeLost = true);

/// Whether the slots before the entries at `first` of `bytes` may have held their name's first
/// pieces, lost now: they follow a live file or folder entry, which may have taken those slots
/// when the name was deleted; at the bytes' start, `bAtStart`.
bool NameFrontMayBeLost(engine::ByteView bytes, std::size_t first, bool bAtStart);

/// The record of an 8.3 entry under the given name.
FATFolderEntry MakeFATFolderEntry(std::string name, CTempFATDirEntry const& entry);

}  // namespace fat
