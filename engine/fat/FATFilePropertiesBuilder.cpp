#include "engine/fat/FATFilePropertiesBuilder.h"

#include <algorithm>
#include <span>
#include <vector>

#include "engine/core/util/DosTime.h"
#include "engine/core/util/Utf16.h"
#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace CFATFilePropertiesBuilder {

std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView entries) {
    // Pieces stand last piece first, so each one goes in front of what was gathered.
    std::vector<std::uint16_t> units;
    std::size_t pieces = 0;
    for (std::size_t offset = 0; entries.Has(offset, CTempFATDirEntry::kSize); offset += CTempFATDirEntry::kSize) {
        CTempFATDirEntry const entry(entries.Sub(offset, CTempFATDirEntry::kSize));
        if (entry.IsLongFileNameEntry()) {
            std::vector<std::uint16_t> piece;
            entry.AppendLongNameUnits(piece);
            // A piece's own terminator ends its units; what follows it is padding.
            units.insert(units.begin(), piece.begin(), piece.end());
            ++pieces;
            continue;
        }
        std::string name;
        if (pieces > 0 && pieces <= kMaxLongNamePieces) {
            // The name ends at its NUL; the 0xFFFF padding behind it is not part of it.
            auto const end = std::find(units.begin(), units.end(), std::uint16_t{0});
            name = engine::Utf16ToUtf8(std::span<std::uint16_t const>(units.begin(), end));
            if (!CTempFATDirEntry::IsValidLongFileName(name)) name.clear();
        }
        if (name.empty()) name = entry.GetShortName(false);
        return BuildFATFilePropertyFromDirEntry(name, entry);
    }
    return nullptr;
}

std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntry(std::string const& name, CTempFATDirEntry const& entry) {
    auto pProperties = std::make_unique<CFATFileProperties>();
    pProperties->SetFileName(name.c_str());
    pProperties->SetFileSize(entry.GetFileSize());
    pProperties->SetAttribute(entry.Attribute());
    pProperties->SetCreationTime(engine::DosDateTimeToFileTime(entry.CreationDate(), entry.CreationTime()));
    pProperties->SetModificationTime(engine::DosDateTimeToFileTime(entry.ModificationDate(), entry.ModificationTime()));
    pProperties->SetLastAccessTime(engine::DosDateTimeToFileTime(entry.LastAccessDate(), 0));
    pProperties->SetState(entry.IsErased() ? CFATFileProperties::kStateDeleted : 0);
    return pProperties;
}

}  // namespace CFATFilePropertiesBuilder
