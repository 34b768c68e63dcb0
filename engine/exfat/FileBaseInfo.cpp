#include "engine/exfat/FileBaseInfo.h"

#include <span>

#include "engine/core/util/Utf16.h"
#include "engine/exfat/ondisk/ExFatEntrySet.h"

_tagFileBaseInfo MakeFileBaseInfo(exfat::EntrySet const& set, std::uint64_t u64EntrySector) {
    _tagFileBaseInfo info;
    info.u64DataLength = set.stream.u64DataLength;
    info.u32FirstCluster = set.stream.u32FirstCluster;
    info.u8NoFatChain = set.stream.bNoFatChain ? 1 : 0;
    info.u8InUse = set.file.bInUse ? 1 : 0;
    info.u8LengthBounded = set.bLengthBounded ? 1 : 0;
    info.u16Attributes = set.file.u16Attributes;
    info.u32CreationTime = set.file.u32CreationTime;
    info.u32ModificationTime = set.file.u32ModificationTime;
    info.u32LastAccessTime = set.file.u32LastAccessTime;
    info.u64EntrySector = u64EntrySector;
    engine::AppendUtf8Bounded(info.strName, engine::Utf16ToUtf8(std::span(set.name.data(), set.u8NameCount)),
                              _tagFileBaseInfo::kMaxNameBytes);
    return info;
}
