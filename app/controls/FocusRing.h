#pragma once
// The keyboard focus ring every drawn control shows, so that Tab is visible on the dark look.

#include <QRect>

class QPainter;

namespace app {

void DrawFocusRing(QPainter& painter, const QRect& bounds, qreal radius = 3.0);

// Whether focus that arrived for reason shows the ring: the keyboard's, not a window's
// activation or a click.
bool ShowsFocusRing(Qt::FocusReason reason);

}  // namespace app
