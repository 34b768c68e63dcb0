#include "app/controls/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace app::theme {

QFont SystemFont(int pixelSize) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    return font;
}

QFont HelveticaLight(int pixelSize) {
    QFont font(QStringLiteral("Helvetica"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Light);
    font.setPixelSize(pixelSize);
    return font;
}

QRectF FlipFrame(const QRectF& bottomUp, qreal parentHeight) {
    return {bottomUp.x(), parentHeight - bottomUp.y() - bottomUp.height(), bottomUp.width(), bottomUp.height()};
}

QRect FlipFrame(const QRect& bottomUp, int parentHeight) {
    return {bottomUp.x(), parentHeight - bottomUp.y() - bottomUp.height(), bottomUp.width(), bottomUp.height()};
}

void ApplyDarkLook(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    const QColor backdrop(kBackdrop);
    palette.setColor(QPalette::Window, backdrop);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(kListRow));
    palette.setColor(QPalette::AlternateBase, QColor(kListBand));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(kTitleBarGrey).lighter(125));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(kHighlightedRow).lighter(160));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(kListRow));
    palette.setColor(QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(kSearchPlaceholder));
    palette.setColor(QPalette::Link, QColor(kProgressGlow));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(Qt::gray));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(Qt::gray));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(Qt::gray));
    application.setPalette(palette);
}

}  // namespace app::theme
