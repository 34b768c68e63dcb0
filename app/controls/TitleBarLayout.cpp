#include "app/controls/TitleBarLayout.h"

#include <cmath>

#include "app/controls/Theme.h"

namespace app {

TitleBarFrames LayOutTitleBar(const TitleBarSettings& s, qreal barWidth, QSizeF closeSize, QSizeF minimizeSize,
                              QSizeF zoomSize, std::optional<QRectF> fullScreen) {
    // Bottom-up inside the bar: its lower edge is y 0, its top edge y = barHeight.
    const qreal midY = s.barHeight / 2;
    const qreal maxY = s.barHeight;
    QRectF close(QPointF(), closeSize), minimize(QPointF(), minimizeSize), zoom(QPointF(), zoomSize);

    if (!s.vertical) {
        const qreal base =
            s.centred ? std::round(midY - closeSize.height() / 2) : maxY - closeSize.height() - s.topMargin;
        const qreal y = base + s.topButtonMoveUp;
        close.moveTo(s.leftMargin, y);
        minimize.moveTo(close.right() + s.separation, y);
        zoom.moveTo(minimize.right() + s.separation, y);
    } else {
        // A column, close on top; the gaps are two less than the row's separation.
        const qreal gap = s.separation - 2;
        const qreal total = closeSize.height() + minimizeSize.height() + zoomSize.height() + 2 * gap;
        const qreal base = s.centred ? std::round(midY - total / 2) : maxY - total - s.topMargin;
        zoom.moveTo(s.leftMargin, base);
        minimize.moveTo(s.leftMargin, zoom.bottom() + gap);  // QRectF::bottom() is y + height
        close.moveTo(s.leftMargin, minimize.bottom() + gap);
    }

    TitleBarFrames frames;
    frames.close = theme::FlipFrame(close, s.barHeight);
    frames.minimize = theme::FlipFrame(minimize, s.barHeight);
    frames.zoom = theme::FlipFrame(zoom, s.barHeight);

    if (fullScreen) {
        const qreal margin = s.fullScreenRightMargin.value_or(barWidth - fullScreen->right());
        QRectF button(QPointF(), fullScreen->size());
        const qreal y = s.centreFullScreen ? std::round(midY - button.height() / 2)
                                           : maxY - button.height() - s.fullScreenTopMargin;
        button.moveTo(barWidth - button.width() - margin, y);
        frames.fullScreen = theme::FlipFrame(button, s.barHeight);
        frames.fullScreenRightMargin = margin;
    }
    return frames;
}

}  // namespace app
