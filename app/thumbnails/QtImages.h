#pragma once
// Qt's image readers, kept inside this library.
#include <QImage>
#include <span>

#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

using uimodel::IByteSource;
using uimodel::kMaxThumbnailSide;
using uimodel::kMovieThumbnailSide;
using uimodel::RgbaImage;

/// Decoded with QImageReader (its allocation limit kept), fitted within `iMaxSide`; empty on failure.
RgbaImage DecodeWithQt(std::span<std::uint8_t const> bytes, int iMaxSide);
RgbaImage FromQImage(QImage const& image);
QImage ToQImage(RgbaImage const& image);

}  // namespace app::thumbnails
