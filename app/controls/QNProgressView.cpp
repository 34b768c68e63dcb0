#include "app/controls/QNProgressView.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <cmath>

#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"

namespace app {

namespace {

// The fill width for value percent of width: NaN and negative values are empty, values within
// one pixel of full (or beyond it) are full.
int FillWidth(float value, int width) {
    if (!std::isfinite(value) && !(value > 0)) return 0;  // NaN or -inf
    const float fill = value / 100.0f * float(width);
    if (!(fill > 0)) return 0;
    if (fill > float(width - 1)) return width;
    return int(fill);
}

}  // namespace

void NSProgressBar::paintEvent(QPaintEvent*) {
    if (width() <= 2) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect()).adjusted(1, 1, -1, -1);
    // The glow: the blue shadow of blur 2 around the fill, as two fading rings.
    QColor glow(theme::kProgressGlow);
    for (int ring = 2; ring >= 1; --ring) {
        glow.setAlphaF(ring == 2 ? 0.35f : 0.7f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawRoundedRect(bar.adjusted(1 - ring, 1 - ring, ring - 1, ring - 1), 1 + ring, 1 + ring);
    }
    painter.setBrush(QColor(theme::kProgressFill));
    painter.drawRoundedRect(bar, 1.0, 1.0);
}

QNProgressView::QNProgressView(QWidget* parent) : QWidget(parent) {
    resize(368, kBarHeight);
    m_fill = new NSProgressBar(this);
    m_fill->setGeometry(0, 0, 0, kBarHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void QNProgressView::changeProgressValue(float value) {
    m_fill->setGeometry(0, 0, FillWidth(value, width()), kBarHeight);
    m_fill->update();
    update();
}

int QNProgressView::fillWidth() const { return m_fill->width(); }

void QNProgressView::paintEvent(QPaintEvent*) {
    // The track, stretched to the view's width.
    QPainter painter(this);
    painter.drawPixmap(0, 0,
                       ImageLibrary::instance().pixmap(QStringLiteral("progress_bar_bg"), QSize(width(), kBarHeight),
                                                       devicePixelRatioF()));
}

void QNProgressView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Until the next value, the fill and its right margin share the change in proportion.
    const int oldWidth = event->oldSize().width();
    if (oldWidth > 0) {
        const double share = double(m_fill->width()) / oldWidth;
        m_fill->setGeometry(0, 0, qBound(0, int(std::lround(share * width())), width()), kBarHeight);
    }
}

void SelectTypeTopView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(theme::kBackdrop));
}

}  // namespace app
