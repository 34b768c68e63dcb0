#include "app/controls/MAAttachedWindow.h"

#include <QKeyEvent>
#include <QPainter>

namespace app {

MAAttachedWindow* MAAttachedWindow::attach(QWidget* view, QPoint point, QWidget* window, int side, double distance) {
    if (!view || !window || view->width() <= 0 || view->height() <= 0) return nullptr;
    if (side < 0 || side > kSideAutomatic) return nullptr;
    return new MAAttachedWindow(view, point, window->window(), side, distance);
}

MAAttachedWindow::MAAttachedWindow(QWidget* view, QPoint point, QWidget* window, int side, double distance)
    : QWidget(window), view_(view), point_(point), requestedSide_(side), distance_(distance) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    view->setParent(this);
    // Escape reaches the window when no widget inside took it; the window's filter sees it.
    window->installEventFilter(this);
    relayout();
    view->show();
    show();
    raise();
}

void MAAttachedWindow::relayout() {
    if (!view_ || !parentWidget()) return;
    const QRectF area = parentWidget()->rect();
    // The automatic side is chosen once, when the pop-over is made or moved.
    auto geometry = ComputeAttachedGeometry(view_->size(), point_, requestedSide_, distance_, look_, area);
    if (!geometry) return;
    geometry_ = *geometry;
    requestedSide_ = geometry_.side;
    setGeometry(geometry_.frame.toAlignedRect());
    view_->setGeometry(geometry_.viewFrame.toRect());
    update();
}

void MAAttachedWindow::setPoint(QPoint point, int side) {
    point_ = point;
    requestedSide_ = side;
    relayout();
}

void MAAttachedWindow::setBackgroundColor(const QColor& color) {
    if (fill_.style() != Qt::SolidPattern || color != fill_.color()) {
        fill_ = QBrush(color);
        update();
    }
}

void MAAttachedWindow::setBackgroundImage(const QPixmap& image) {
    if (image.isNull()) return;
    fill_ = QBrush(image);
    update();
}

void MAAttachedWindow::setBorderColor(const QColor& color) {
    if (color != border_) {
        border_ = color;
        update();
    }
}

void MAAttachedWindow::setBorderWidth(double width) {
    look_.borderWidth = std::min(width, look_.viewMargin);
    update();
}

void MAAttachedWindow::setViewMargin(double margin) {
    look_.viewMargin = std::max(margin, 0.0);
    setCornerRadius(look_.cornerRadius);
}

void MAAttachedWindow::setCornerRadius(double radius) {
    look_.cornerRadius = LimitCornerRadius(radius, view_ ? QSizeF(view_->size()) : QSizeF(), look_);
    setArrowBaseWidth(look_.arrowBaseWidth);
}

void MAAttachedWindow::setArrowBaseWidth(double width) {
    look_.arrowBaseWidth = LimitArrowBaseWidth(width, view_ ? QSizeF(view_->size()) : QSizeF(), look_);
    relayout();
}

void MAAttachedWindow::setArrowHeight(double height) {
    look_.arrowHeight = std::max(height, 0.0);
    relayout();
}

void MAAttachedWindow::setHasArrow(bool hasArrow) {
    look_.hasArrow = hasArrow;
    relayout();
}

void MAAttachedWindow::setDrawsRoundCornerBesideArrow(bool draws) {
    look_.drawsRoundCornerBesideArrow = draws;
    relayout();
}

void MAAttachedWindow::closePopover() {
    if (closing_) return;
    closing_ = true;
    hide();
    emit closed();
    deleteLater();
}

bool MAAttachedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::KeyPress && !closing_ &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        closePopover();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MAAttachedWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(geometry_.outline);
    painter.fillPath(geometry_.outline, fill_);
    if (look_.borderWidth > 0) {
        // Twice as wide under the clip: the inner half shows, borderWidth wide.
        QPen pen(border_, 2 * look_.borderWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.strokePath(geometry_.outline, pen);
    }
}

}  // namespace app
