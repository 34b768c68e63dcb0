#include "engine/fat/FATFilePropertiesBuilder.h"

#include "engine/core/util/DosTime.h"

namespace CFATFilePropertiesBuilder {

std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView entries) {
    std::optional<fat::FATFolderEntry> const entry = fat::ParseFATEntryRun(entries);
    return entry ? BuildFATFileProperty(*entry) : nullptr;
}

std::unique_ptr<CFATFileProperties> BuildFATFileProperty(fat::FATFolderEntry const& entry) {
    auto pProperties = std::make_unique<CFATFileProperties>();
    pProperties->SetFileName(entry.name.c_str());
    pProperties->SetFileSize(entry.u32Size);
    pProperties->SetAttribute(entry.u8Attribute);
    pProperties->SetCreationTime(engine::DosDateTimeToFileTime(entry.u16CreationDate, entry.u16CreationTime));
    pProperties->SetModificationTime(
        engine::DosDateTimeToFileTime(entry.u16ModificationDate, entry.u16ModificationTime));
    pProperties->SetLastAccessTime(engine::DosDateTimeToFileTime(entry.u16LastAccessDate, 0));
    pProperties->SetState(entry.bErased ? CFATFileProperties::kStateDeleted : 0);
    return pProperties;
}

}  // namespace CFATFilePropertiesBuilder
