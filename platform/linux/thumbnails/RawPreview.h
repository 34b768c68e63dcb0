#pragma once
// The preview a camera raw file embeds, through libraw, read from a byte source.
#include "platform/ThumbnailDecoder.h"

namespace platform::thumbnails {

/// Empty when libraw finds no preview, the preview is larger than kMaxRawPreviewBytes or does
/// not decode.
RgbaImage DecodeRawPreview(IByteSource& source);

/// Previews above this are refused before libraw allocates them (the picture limit of the model).
constexpr unsigned kMaxRawPreviewBytes = 0x1E00000;

}  // namespace platform::thumbnails
