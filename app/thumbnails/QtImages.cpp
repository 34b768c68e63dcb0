#include "QtImages.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstring>

namespace app::thumbnails {

RgbaImage DecodeWithQt(std::span<std::uint8_t const> bytes, int iMaxSide) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) return {};
    QByteArray const data =
        QByteArray::fromRawData(reinterpret_cast<char const*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QSize const size = reader.size();
    if (size.isValid() && (size.width() > iMaxSide || size.height() > iMaxSide))
        reader.setScaledSize(size.scaled(iMaxSide, iMaxSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.width() > iMaxSide || image.height() > iMaxSide)
        image = image.scaled(iMaxSide, iMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return FromQImage(image);
}

RgbaImage FromQImage(QImage const& source) {
    if (source.isNull()) return {};
    QImage const image = source.convertToFormat(QImage::Format_RGBA8888);
    RgbaImage rgba;
    rgba.iWidth = image.width();
    rgba.iHeight = image.height();
    std::size_t const rowBytes = static_cast<std::size_t>(rgba.iWidth) * 4;
    rgba.pixels.resize(rowBytes * static_cast<std::size_t>(rgba.iHeight));
    for (int y = 0; y < rgba.iHeight; ++y)
        std::memcpy(rgba.pixels.data() + rowBytes * static_cast<std::size_t>(y), image.constScanLine(y), rowBytes);
    return rgba;
}

QImage ToQImage(RgbaImage const& image) {
    if (!image.IsImage() ||
        image.pixels.size() != static_cast<std::size_t>(image.iWidth) * static_cast<std::size_t>(image.iHeight) * 4)
        return {};
    return QImage(image.pixels.data(), image.iWidth, image.iHeight, image.iWidth * 4, QImage::Format_RGBA8888).copy();
}

}  // namespace app::thumbnails
