#include "app/controls/ZoomWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>

namespace app {

namespace {
constexpr double kZoomTimeMultiplier = 0.3;
constexpr int kFadeMilliseconds = 300;
}  // namespace

ZoomWindow::ZoomWindow(const QPixmap& picture, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_picture(picture) {
    setAttribute(Qt::WA_TranslucentBackground);
}

double ZoomWindow::animationResizeTime(double baseSeconds) const {
    const double time = baseSeconds * m_multiplier;
    return (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) ? time * 10 : time;
}

void ZoomWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_picture);  // scaled on both axes independently
}

ZoomWindow* createZoomWindowWithRect(QWidget* window, const QRect& rect) {
    // grab() renders a window that was never shown too, without showing it.
    auto* zoom = new ZoomWindow(window->grab());
    zoom->setAnimationTimeMultiplier(kZoomTimeMultiplier);
    if (window->windowFlags() & Qt::WindowStaysOnTopHint) zoom->setWindowFlag(Qt::WindowStaysOnTopHint);
    zoom->setGeometry(rect);
    return zoom;
}

void fadeIn(QWidget* window) {
    window->setWindowOpacity(0.0);
    window->show();
    window->raise();
    auto* fade = new QPropertyAnimation(window, "windowOpacity", window);
    fade->setDuration(kFadeMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void zoomInWithOvershot(QWidget* window) { window->setWindowOpacity(0.0); }

}  // namespace app
