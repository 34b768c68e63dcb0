#pragma once
// File-type icons: the MIME type of an extension and its picture in the freedesktop icon theme.
#include <string>

#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

using uimodel::IByteSource;
using uimodel::kMaxThumbnailSide;
using uimodel::kMovieThumbnailSide;
using uimodel::RgbaImage;

/// `themesRoot` is "/usr/share/icons" except in tests. Empty when no theme holds a picture.
RgbaImage IconForExtension(std::string const& extension, std::string const& themesRoot = "/usr/share/icons");

}  // namespace app::thumbnails
