#include "engine/fat/ondisk/FATFolderEntries.h"

#include <algorithm>
#include <span>

#include "engine/core/util/Utf16.h"
#include "engine/fat/ondisk/FATLongNamePieces.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace fat {

namespace {

constexpr std::size_t kNoLongName = SIZE_MAX;

}  // namespace

bool NameFrontMayBeLost(engine::ByteView bytes, std::size_t first, bool bAtStart) {
    if (first < CTempFATDirEntry::kSize) return bAtStart;
    CTempFATDirEntry const before(bytes.Sub(first - CTempFATDirEntry::kSize, CTempFATDirEntry::kSize));
    return !before.IsErased() && !before.IsNeverUsed() && !before.IsLongFileNameEntry() && !before.IsVolumeLabel() &&
           !before.IsCurDirFileName() && !before.IsParentDirFileName();
}

bool FATFolderEntry::IsDirectory() const { return (u8Attribute & CTempFATDirEntry::kAttrDirectory) != 0; }

FATFolderEntry MakeFATFolderEntry(std::string name, CTempFATDirEntry const& entry) {
    FATFolderEntry record;
    record.name = std::move(name);
    record.u8Attribute = entry.Attribute();
    record.bErased = entry.IsErased();
    record.u32FirstCluster = entry.GetFirstClusterNO();
    record.u32Size = entry.GetFileSize();
    record.u16CreationTime = entry.CreationTime();
    record.u16CreationDate = entry.CreationDate();
    record.u16LastAccessDate = entry.LastAccessDate();
    record.u16ModificationTime = entry.ModificationTime();
    record.u16ModificationDate = entry.ModificationDate();
    return record;
}

std::optional<FATFolderEntry> ParseFATEntryRun(engine::ByteView run, bool bFrontMayBeLost) {
    // Pieces stand last piece first, so each one goes in front of what was gathered.
    std::vector<std::uint16_t> units;
    std::vector<std::uint16_t> piece;
    std::size_t pieces = 0;
    for (std::size_t offset = 0; run.Has(offset, CTempFATDirEntry::kSize); offset += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(run.Sub(offset, CTempFATDirEntry::kSize));
        if (entry.IsLongFileNameEntry()) {
            piece.clear();
            entry.AppendLongNameUnits(piece);
            units.insert(units.begin(), piece.begin(), piece.end());
            ++pieces;
            continue;
        }
        std::string name;
        // Pieces left of a name whose others are lost give no name: the 8.3 name stands.
        if (pieces > 0 &&
            IsWholeLongName(run.Sub(0, offset), run.Sub(offset, CTempFATDirEntry::kSize), units, bFrontMayBeLost)) {
            // The name ends at its NUL; the 0xFFFF padding behind it is not part of it.
            auto const end = std::find(units.begin(), units.end(), std::uint16_t{0});
            name = engine::Utf16ToUtf8(std::span<std::uint16_t const>(units.begin(), end));
            if (!CTempFATDirEntry::IsValidLongFileName(name)) name.clear();
        }
        if (name.empty()) name = entry.GetShortName(false);
        return MakeFATFolderEntry(std::move(name), entry);
    }
    return std::nullopt;
}

void ParseFATFolderEntries(engine::ByteView bytes, FATFolderParseOptions const& options, FATFolderParse& result) {
    result.entries.clear();
    result.bFailed = false;
    std::size_t const length = bytes.Size();
    std::size_t longNameStart = kNoLongName;
    int iDots = 0;
    std::size_t off = 0;
    for (; off + CTempFATDirEntry::kSize <= length; off += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(bytes.Sub(off, CTempFATDirEntry::kSize));
        if (!entry.IsValidFATDirEntry(false)) {
            longNameStart = kNoLongName;
            if (options.bStopAtInvalid) {
                result.consumed = length;
                return;
            }
            continue;
        }
        if (entry.IsLongFileNameEntry()) {
            if (longNameStart == kNoLongName) longNameStart = off;
            continue;
        }
        std::size_t const nameStart = longNameStart;
        longNameStart = kNoLongName;
        if (entry.IsVolumeLabel()) continue;
        if (bytes.U8(off) == '.') {
            if (++iDots > 2) {
                result.bFailed = true;
                result.consumed = off;
                return;
            }
            continue;
        }
        std::uint32_t const u32Cluster = entry.GetFirstClusterNO();
        if (u32Cluster > 2 && u32Cluster - 2 >= options.u32Clusters) {
            if (options.bStopAtInvalid) {
                result.consumed = off;
                return;
            }
            continue;
        }
        std::size_t const first = nameStart != kNoLongName ? nameStart : off;
        if (std::optional<FATFolderEntry> record =
                ParseFATEntryRun(bytes.Sub(first, off + CTempFATDirEntry::kSize - first),
                                 NameFrontMayBeLost(bytes, first, options.bFrontMayBeLost))) {
            record->offset = off;
            result.entries.push_back(std::move(*record));
        }
    }
    result.consumed = longNameStart != kNoLongName ? longNameStart : off;
}

}  // namespace fat
