#include "app/controls/FocusRing.h"

#include <QPainter>

#include "app/controls/Theme.h"

namespace app {

void DrawFocusRing(QPainter& painter, const QRect& bounds, qreal radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(theme::kFocusRing), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(bounds).adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

bool ShowsFocusRing(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason ||
           reason == Qt::OtherFocusReason;
}

}  // namespace app
