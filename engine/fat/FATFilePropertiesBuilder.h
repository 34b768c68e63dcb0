#pragma once
// Properties from the folder entries of one file: its long-name pieces, if any, and its 8.3
// entry. DOS dates and times are local times; mktime turns them into instants.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/bytes/ByteView.h"
#include "engine/fat/FATFileProperties.h"

class CTempFATDirEntry;

namespace CFATFilePropertiesBuilder {

/// At most this many long-name pieces make one name (255 units need 20).
constexpr std::size_t kMaxLongNamePieces = 20;

/// Walks 32-byte entries: long-name pieces, then the 8.3 entry that ends the run. Null when no
/// 8.3 entry lies within `entries`. The long name is used when it is acceptable and the run has
/// at most kMaxLongNamePieces pieces; otherwise the 8.3 name.
std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntryBuffer(engine::ByteView entries);
/// Properties of an 8.3 entry under the given name.
std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntry(std::string const& name, CTempFATDirEntry const& entry);

}  // namespace CFATFilePropertiesBuilder
