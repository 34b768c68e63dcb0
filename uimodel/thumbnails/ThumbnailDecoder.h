#pragma once
// Turning found files into pictures for the results window: the UI model reads a file's bytes
// through the engine and hands them here. Images are plain width x height RGBA values, so
// that no toolkit type crosses into the model; the application turns them into its own.
// Every input is hostile: decoders keep their allocation limits and answer an empty image
// for anything they cannot decode, never throwing.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace uimodel {

struct RgbaImage {
    int iWidth = 0;
    int iHeight = 0;
    std::vector<std::uint8_t> pixels;  // iWidth * iHeight * 4 bytes, rows top to bottom
    /// Only an image with both sides above 0 counts.
    bool IsImage() const { return iWidth > 0 && iHeight > 0; }
};

/// Random access to bytes that are not in a file (a found node's data).
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    /// Bytes read into `pBuffer` (fewer at the end or on a read failure).
    virtual std::size_t Read(std::uint64_t u64Offset, void* pBuffer, std::size_t length) = 0;
};

class IThumbnailDecoder {
public:
    virtual ~IThumbnailDecoder() = default;
    /// Picture bytes (JPEG, PNG, TIFF, GIF, ...), fitted within kMaxThumbnailSide.
    virtual RgbaImage DecodePicture(std::span<std::uint8_t const> bytes) = 0;
    /// The preview a camera raw file embeds, read through `source` without copying the file.
    virtual RgbaImage DecodeRawPreview(IByteSource& source) = 0;
    /// A frame of the movie whose first bytes are given (held in memory, never written to disk).
    virtual RgbaImage DecodeMovie(std::span<std::uint8_t const> start) = 0;
    /// A frame of a movie file.
    virtual RgbaImage DecodeMovieFile(std::string const& path) = 0;
    /// The icon theme's picture for the MIME type of a file-name extension (lower case, no dot).
    virtual RgbaImage IconForExtension(std::string const& extension) = 0;
    /// The image as PNG bytes; empty for no image.
    virtual std::vector<std::uint8_t> EncodePng(RgbaImage const& image) = 0;
};

/// Longest side of a decoded picture: grids and previews show no more, and a smaller target
/// lets the JPEG decoder skip most of its work.
constexpr int kMaxThumbnailSide = 1024;
/// Side of movie frames.
constexpr int kMovieThumbnailSide = 192;

}  // namespace uimodel
