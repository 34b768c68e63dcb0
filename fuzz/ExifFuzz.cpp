// The EXIF reader over the input as one block: the first two bytes are the APP1 length, the
// rest the block from its "Exif\0\0" header on (seeds carry a real header; the fuzzer mutates
// directories, links and counts).
#include <cstdint>

#include "engine/ByteView.h"
#include "engine/carve/analysers/ExifReader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 2) return 0;
    engine::ByteView const input(pData, size);
    tag_ExifInfo info;
    (void)EXIF_process_EXIF(input.From(2), input.Be16(0), info);
    return 0;
}
