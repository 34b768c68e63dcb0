#include "app/controls/TypeButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/controls/CheckBoxImage.h"
#include "app/controls/DisplayName.h"
#include "app/controls/FocusRing.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/ListPalette.h"
#include "app/controls/Theme.h"

namespace app {

TypeButton::TypeButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
}

void TypeButton::setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                            const QString& disable) {
    normal_ = imageNamed(normal);
    active_ = imageNamed(active);
    hover_ = imageNamed(hover);
    disabled_ = imageNamed(disable);
    update();
}

void TypeButton::setTextWithName(const QString& caption) {
    selected_ = true;
    caption_ = caption;
    hasCheck_ = true;
    setAccessibleName(caption);
    update();
}

void TypeButton::changeSelect(bool selected) {
    selected_ = selected;
    update();
}

void TypeButton::setButtonEnabled(bool enabled) {
    ownEnabled_ = enabled;
    repaint();
}

QColor TypeButton::captionColor() const {
    if (!drawsEnabled()) return palette().color(QPalette::Disabled, QPalette::WindowText);
    QColor colour = list_palette::TileCaption();
    // Hover dims the caption even when there is no hover picture.
    if (!tracking_ && hovered_) colour.setAlphaF(0.8f);
    return colour;
}

void TypeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap* image = &normal_;
    if (!drawsEnabled())
        image = &disabled_;
    else if (tracking_)
        image = &active_;
    else if (hovered_ && !hover_.isNull())
        image = &hover_;
    if (!image->isNull()) painter.drawPixmap(kImageRect, *image);

    if (!caption_.isEmpty()) {
        const QFont font = theme::SystemFont(14);
        painter.setFont(font);
        painter.setPen(captionColor());
        painter.drawText(kCaptionRect, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         QFontMetrics(font).elidedText(DisplayName(caption_), Qt::ElideRight, kCaptionRect.width()));
    }
    if (hasCheck_) {
        const QPixmap check = ImageLibrary::instance().pixmap(CheckBoxImageName(selected_ ? 2 : 0), kCheckRect.size());
        if (!check.isNull()) painter.drawPixmap(kCheckRect, check);
    }
    if (hasFocus()) {
        DrawFocusRing(painter, rect());
    }
}

void TypeButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!drawsEnabled()) return;
    hovered_ = true;
    update();
}

void TypeButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovered_ = false;
    update();
}

void TypeButton::mousePressEvent(QMouseEvent* event) {
    if (!ownEnabled_) {
        event->ignore();
        return;
    }
    tracking_ = true;
    update();
    QAbstractButton::mousePressEvent(event);
}

void TypeButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!ownEnabled_ && !tracking_) {
        event->ignore();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
    tracking_ = false;
    update();
}

void TypeButton::keyPressEvent(QKeyEvent* event) {
    if (!ownEnabled_) {
        event->ignore();
        return;
    }
    // Return presses the tile as Space does, not the page's Start.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace app
