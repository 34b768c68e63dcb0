#pragma once
// The texts of ID3 tags as UTF-8. An ID3v2 text frame's data starts with its encoding byte:
// 0 ISO-8859-1, 1 UTF-16 with a byte-order mark, 2 UTF-16 big-endian, 3 UTF-8; the text may end
// in a terminating zero. ID3v1 fields are ISO-8859-1 padded with zeros or blanks.
#include <cstddef>
#include <string>

#include "engine/ByteView.h"

/// The longest text kept, in UTF-8 bytes; longer texts are cut (at a character boundary).
inline constexpr std::size_t kMaxId3TextBytes = 1023;

/// The text of a frame's data (encoding byte first); empty for an unknown encoding, a
/// conversion that fails or no text.
std::string Id3FrameText(engine::ByteView data);
/// An ISO-8859-1 field up to its first zero, as UTF-8.
std::string Id3Latin1Text(engine::ByteView field);
