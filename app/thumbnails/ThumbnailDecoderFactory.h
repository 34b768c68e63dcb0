#pragma once
// The decoder over the system's libraries (Qt image readers, libraw, ffmpegthumbnailer, the
// freedesktop icon theme). The application makes it and hands it to the model; the model only
// knows the interface.
#include <memory>

#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

/// Longest side of the thumbnails the grid and the cover flow show: a 24-MP photograph decodes
/// to about 150 KB of RGBA instead of megabytes, and the JPEG reader skips most of its work.
constexpr int kPreviewThumbnailSide = 192;

/// Pictures and raw previews come fitted within `iMaxSide`; movie frames are made in a child
/// process that is killed when it outlives its time-out, so a hostile movie cannot take the
/// window with it.
std::unique_ptr<uimodel::IThumbnailDecoder> CreateThumbnailDecoder(int iMaxSide = uimodel::kMaxThumbnailSide);

}  // namespace app::thumbnails
