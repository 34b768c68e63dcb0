#include "app/results/ResultViews.h"

#include <QKeyEvent>
#include <QPainter>

#include "app/controls/Theme.h"

namespace app::results {

void ResultOutlineView::keyboardSearch(const QString&) {}

void ResultOutlineView::keyPressEvent(QKeyEvent* event) {
    // Letters would jump to a matching folder and refill the list; they are refused.
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && event->key() != Qt::Key_Space) {
        event->ignore();
        return;
    }
    QNCustomOutlineView::keyPressEvent(event);
}

SpinnerView::SpinnerView(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void SpinnerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor colour(theme::kLabelText);
    for (int i = 0; i < 12; ++i) {
        colour.setAlphaF(0.15 + 0.85 * ((i + 12 - m_step) % 12) / 11.0);
        painter.setPen(QPen(colour, qMax(1.5, side / 10.0), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.45));
        painter.rotate(30);
    }
}

void SpinnerView::setTurning(bool turning) {
    m_turning = turning;
    if (turning && isVisible())
        m_timer.start();
    else
        m_timer.stop();
}

void SpinnerView::showEvent(QShowEvent*) {
    if (m_turning) m_timer.start();
}

void SpinnerView::hideEvent(QHideEvent*) { m_timer.stop(); }

}  // namespace app::results
