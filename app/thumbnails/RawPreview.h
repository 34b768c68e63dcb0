#pragma once
// The preview a camera raw file embeds, through libraw, read from a byte source.
#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

using uimodel::IByteSource;
using uimodel::kMaxThumbnailSide;
using uimodel::kMovieThumbnailSide;
using uimodel::RgbaImage;

/// Empty when libraw finds no preview, the preview is larger than kMaxRawPreviewBytes or does
/// not decode.
RgbaImage DecodeRawPreview(IByteSource& source);

/// Previews above this are refused before libraw allocates them (the picture limit of the model).
constexpr unsigned kMaxRawPreviewBytes = 0x1E00000;

}  // namespace app::thumbnails
