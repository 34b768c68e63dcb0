#include "app/update/VolumeInfo.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStorageInfo>

#include "app/update/FileUtilities.h"

namespace app {

namespace {

constexpr int kIconSize = 64;

QByteArray PngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An eject mark (a triangle over a bar) over the lower right two thirds.
void DrawEjectMark(QImage& image) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(image.width() / 3.0, image.height() / 3.0, image.width() * 2 / 3.0, image.height() * 2 / 3.0);
    painter.setBrush(QColor(40, 40, 40, 220));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(area);
    const QRectF mark =
        area.adjusted(area.width() * 0.25, area.height() * 0.22, -area.width() * 0.25, -area.height() * 0.25);
    QPainterPath triangle;
    triangle.moveTo(mark.center().x(), mark.top());
    triangle.lineTo(mark.right(), mark.top() + mark.height() * 0.6);
    triangle.lineTo(mark.left(), mark.top() + mark.height() * 0.6);
    triangle.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(triangle);
    painter.drawRect(QRectF(mark.left(), mark.bottom() - mark.height() * 0.2, mark.width(), mark.height() * 0.2));
}

}  // namespace

VolumeInfo::VolumeInfo(const QString& path) : m_path(path) {
    const QStorageInfo storage(path);
    m_name = storage.isValid() && storage.rootPath() == QFileInfo(path).absoluteFilePath() ? storage.displayName()
                                                                                           : QString();
    if (m_name.isEmpty()) m_name = QFileInfo(path).fileName();
    if (m_name.isEmpty()) m_name = path;
}

VolumeInfo VolumeInfo::ForMount(const QString& path) {
    VolumeInfo info(path);
    info.m_iconData = PngOf(IconForPath(path).pixmap(kIconSize).toImage());
    return info;
}

VolumeInfo VolumeInfo::ForUnmount(const QString& path) {
    VolumeInfo info(path);
    QImage image = IconForPath(path).pixmap(kIconSize).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        image = QImage(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    DrawEjectMark(image);
    info.m_iconData = PngOf(image);
    return info;
}

QString VolumeInfo::description() const {
    return QStringLiteral("{name = %1; path = %2; icon = %3}")
        .arg(m_name, m_path, m_iconData.isEmpty() ? QStringLiteral("NO") : QStringLiteral("YES"));
}

}  // namespace app
