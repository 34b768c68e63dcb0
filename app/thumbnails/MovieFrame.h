#pragma once
// Movie frames through ffmpegthumbnailer; a movie's start held in memory reaches it as an
// anonymous memory file, so nothing is written to any disk.
#include <span>
#include <string>

#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

using uimodel::IByteSource;
using uimodel::kMaxThumbnailSide;
using uimodel::kMovieThumbnailSide;
using uimodel::RgbaImage;

RgbaImage DecodeMovieFile(std::string const& path);
RgbaImage DecodeMovieBytes(std::span<std::uint8_t const> start);

}  // namespace app::thumbnails
