// The MPEG audio frame header at every offset of the input, its frame length, and the ID3
// text rule over the input as a frame's data and as an ID3v1 field.
#include <cstdint>

#include "engine/ByteView.h"
#include "engine/carve/analysers/Id3Text.h"
#include "engine/carve/analysers/MpegAudioHeader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size > (1 << 16)) return 0;
    engine::ByteView const bytes(pData, size);
    for (std::size_t offset = 0; offset < size; ++offset) {
        auto const header = DecodeMpegAudioHeader(bytes, offset);
        // Every accepted header has a frame that moves a walk on.
        if (header && header->FrameBytes() == 0) __builtin_trap();
    }
    if (Id3FrameText(bytes).size() > kMaxId3TextBytes || Id3Latin1Text(bytes).size() > kMaxId3TextBytes)
        __builtin_trap();
    return 0;
}
