#pragma once
// Decoding that may crash or hang on hostile input runs in a child process: a crash there
// costs one thumbnail, and a hang ends at the time-out.
#include <chrono>
#include <functional>

#include "uimodel/thumbnails/ThumbnailDecoder.h"

namespace app::thumbnails {

/// Runs `decode` in a forked child and answers its image; empty when the child crashes, answers
/// nothing, answers an image larger than `iMaxSide` on a side, or is still running after
/// `timeout` (it is killed then).
uimodel::RgbaImage DecodeInChild(std::function<uimodel::RgbaImage()> const& decode, int iMaxSide,
                                 std::chrono::milliseconds timeout);

}  // namespace app::thumbnails
