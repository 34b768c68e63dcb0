#pragma once
// Properties from the folder entries of one file: its long-name pieces, if any, and its 8.3
// entry. DOS dates and times are local times; mktime turns them into instants.
#include <memory>

#include "engine/ByteView.h"
#include "engine/fat/FATFileProperties.h"
#include "engine/fat/ondisk/FATFolderEntries.h"

namespace CFATFilePropertiesBuilder {

/// Walks 32-byte entries: long-name pieces, then the 8.3 entry that ends the run. Null when no
/// 8.3 entry lies within `entries` (see fat::ParseFATEntryRun for the name chosen).
std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView entries);
/// Properties of one parsed entry.
std::unique_ptr<CFATFileProperties> BuildFATFileProperty(fat::FATFolderEntry const& entry);

}  // namespace CFATFilePropertiesBuilder
