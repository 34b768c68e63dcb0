#include "ThumbnailDecoderFactory.h"

#include <QBuffer>
#include <QByteArray>

#include "ChildProcess.h"
#include "MimeIcon.h"
#include "MovieFrame.h"
#include "QtImages.h"
#include "RawPreview.h"

namespace app::thumbnails {

namespace {

/// A movie decoder that has not answered by then is taken to hang.
constexpr std::chrono::seconds kMovieTimeout{10};

RgbaImage FitWithin(RgbaImage image, int iMaxSide) {
    if (image.iWidth <= iMaxSide && image.iHeight <= iMaxSide) return image;
    return FromQImage(ToQImage(image).scaled(iMaxSide, iMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

class CThumbnailDecoder final : public uimodel::IThumbnailDecoder {
public:
    explicit CThumbnailDecoder(int iMaxSide) : m_iMaxSide(iMaxSide > 0 ? iMaxSide : uimodel::kMaxThumbnailSide) {}

    RgbaImage DecodePicture(std::span<std::uint8_t const> bytes) override { return DecodeWithQt(bytes, m_iMaxSide); }
    RgbaImage DecodeRawPreview(IByteSource& source) override {
        return FitWithin(app::thumbnails::DecodeRawPreview(source), m_iMaxSide);
    }
    RgbaImage DecodeMovie(std::span<std::uint8_t const> start) override {
        return DecodeInChild([&] { return FitWithin(DecodeMovieBytes(start), m_iMaxSide); }, m_iMaxSide, kMovieTimeout);
    }
    RgbaImage DecodeMovieFile(std::string const& path) override {
        return DecodeInChild([&] { return FitWithin(app::thumbnails::DecodeMovieFile(path), m_iMaxSide); }, m_iMaxSide,
                             kMovieTimeout);
    }
    RgbaImage IconForExtension(std::string const& extension) override {
        return app::thumbnails::IconForExtension(extension);
    }
    std::vector<std::uint8_t> EncodePng(RgbaImage const& image) override {
        QImage const qimage = ToQImage(image);
        if (qimage.isNull()) return {};
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !qimage.save(&buffer, "PNG")) return {};
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }

private:
    int m_iMaxSide;
};

}  // namespace

std::unique_ptr<uimodel::IThumbnailDecoder> CreateThumbnailDecoder(int iMaxSide) {
    return std::make_unique<CThumbnailDecoder>(iMaxSide);
}

}  // namespace app::thumbnails
