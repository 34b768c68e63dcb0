#pragma once
// Qt's image readers, kept inside this library.
#include <QImage>
#include <span>

#include "platform/ThumbnailDecoder.h"

namespace platform::thumbnails {

/// Decoded with QImageReader (its allocation limit kept), fitted within `iMaxSide`; empty on failure.
RgbaImage DecodeWithQt(std::span<std::uint8_t const> bytes, int iMaxSide);
RgbaImage FromQImage(QImage const& image);
QImage ToQImage(RgbaImage const& image);

}  // namespace platform::thumbnails
