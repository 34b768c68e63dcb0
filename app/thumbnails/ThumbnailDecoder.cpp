#include "uimodel/thumbnails/ThumbnailDecoder.h"

#include <QBuffer>
#include <QByteArray>

#include "MimeIcon.h"
#include "MovieFrame.h"
#include "QtImages.h"
#include "RawPreview.h"

namespace uimodel {

namespace {

class CThumbnailDecoder final : public IThumbnailDecoder {
public:
    RgbaImage DecodePicture(std::span<std::uint8_t const> bytes) override { return app::thumbnails::DecodeWithQt(bytes, kMaxThumbnailSide); }
    RgbaImage DecodeRawPreview(IByteSource& source) override { return app::thumbnails::DecodeRawPreview(source); }
    RgbaImage DecodeMovie(std::span<std::uint8_t const> start) override { return app::thumbnails::DecodeMovieBytes(start); }
    RgbaImage DecodeMovieFile(std::string const& path) override { return app::thumbnails::DecodeMovieFile(path); }
    RgbaImage IconForExtension(std::string const& extension) override { return app::thumbnails::IconForExtension(extension); }
    std::vector<std::uint8_t> EncodePng(RgbaImage const& image) override {
        QImage const qimage = app::thumbnails::ToQImage(image);
        if (qimage.isNull()) return {};
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !qimage.save(&buffer, "PNG")) return {};
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
};

}  // namespace

std::unique_ptr<IThumbnailDecoder> CreateThumbnailDecoder() { return std::make_unique<CThumbnailDecoder>(); }

}  // namespace uimodel
