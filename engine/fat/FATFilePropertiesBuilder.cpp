#include "engine/fat/FATFilePropertiesBuilder.h"

#include <ctime>
#include <vector>

#include "engine/fat/ondisk/TempFATDirEntry.h"

namespace CFATFilePropertiesBuilder {

namespace {
constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeOf1970 = 116'444'736'000'000'000;
}  // namespace

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
            name = Utf16ToUtf8(units);
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
    pProperties->SetCreationTime(DosDateTimeToFileTime(entry.CreationDate(), entry.CreationTime()));
    pProperties->SetModificationTime(DosDateTimeToFileTime(entry.ModificationDate(), entry.ModificationTime()));
    pProperties->SetLastAccessTime(DosDateTimeToFileTime(entry.LastAccessDate(), 0));
    pProperties->SetState(entry.IsErased() ? CFATFileProperties::kStateDeleted : 0);
    return pProperties;
}

std::uint64_t DosDateTimeToFileTime(std::uint16_t u16Date, std::uint16_t u16Time) {
    std::tm parts{};
    parts.tm_sec = (u16Time & 31) * 2;
    parts.tm_min = (u16Time >> 5) & 63;
    parts.tm_hour = u16Time >> 11;
    parts.tm_mday = u16Date & 31;
    parts.tm_mon = ((u16Date >> 5) & 15) - 1;
    parts.tm_year = (u16Date >> 9) + 80;
    parts.tm_isdst = -1;
    return SecondsSince1970ToFileTime(static_cast<std::int64_t>(std::mktime(&parts)));
}

std::uint64_t SecondsSince1970ToFileTime(std::int64_t s64Seconds) {
    return static_cast<std::uint64_t>(s64Seconds * kFileTimeTicksPerSecond + kFileTimeOf1970);
}

}  // namespace CFATFilePropertiesBuilder
