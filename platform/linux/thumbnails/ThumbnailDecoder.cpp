#include "platform/ThumbnailDecoder.h"

#include <QBuffer>
#include <QByteArray>

#include "MimeIcon.h"
#include "MovieFrame.h"
#include "QtImages.h"
#include "RawPreview.h"

namespace platform {

namespace {

class CThumbnailDecoder final : public IThumbnailDecoder {
public:
    RgbaImage DecodePicture(std::span<std::uint8_t const> bytes) override { return thumbnails::DecodeWithQt(bytes, kMaxThumbnailSide); }
    RgbaImage DecodeRawPreview(IByteSource& source) override { return thumbnails::DecodeRawPreview(source); }
    RgbaImage DecodeMovie(std::span<std::uint8_t const> start) override { return thumbnails::DecodeMovieBytes(start); }
    RgbaImage DecodeMovieFile(std::string const& path) override { return thumbnails::DecodeMovieFile(path); }
    RgbaImage IconForExtension(std::string const& extension) override { return thumbnails::IconForExtension(extension); }
    std::vector<std::uint8_t> EncodePng(RgbaImage const& image) override {
        QImage const qimage = thumbnails::ToQImage(image);
        if (qimage.isNull()) return {};
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !qimage.save(&buffer, "PNG")) return {};
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
};

}  // namespace

std::unique_ptr<IThumbnailDecoder> CreateThumbnailDecoder() { return std::make_unique<CThumbnailDecoder>(); }

}  // namespace platform
