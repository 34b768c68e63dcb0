// FAT folder entries as the folder walk hands them to the parser: the input after a 4-byte
// header is one folder's bytes. Header byte 2 sets how many clusters the volume has (so that
// first clusters past it are refused), bit 1 of byte 3 whether parsing stops at an invalid
// entry. The parse must consume no more than it was given, and every name must be usable: not
// empty and free of '/'.
#include <cstdint>
#include <cstdlib>

#include "engine/ByteView.h"
#include "engine/fat/ondisk/FATFolderEntries.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 4) return 0;
    fat::FATFolderParseOptions options;
    options.u32Clusters = 1u + pData[2];
    options.bStopAtInvalid = (pData[3] & 2) != 0;
    engine::ByteView const folder(pData + 4, size - 4);

    fat::FATFolderParse result;
    fat::ParseFATFolderEntries(folder, options, result);
    if (result.consumed > folder.Size()) std::abort();
    if (result.entries.size() > folder.Size() / 32) std::abort();
    for (fat::FATFolderEntry const& entry : result.entries) {
        if (entry.name.empty() || entry.name.find('/') != std::string::npos) std::abort();
        if (entry.u32FirstCluster > 2 && entry.u32FirstCluster - 2 >= options.u32Clusters) std::abort();
    }
    return 0;
}
