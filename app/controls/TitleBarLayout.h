#pragma once
// Where the title bar puts its window buttons: a pure function of the bar's settings and the
// buttons' sizes, so that it can be checked without a window. The rules are given bottom-up
// (y grows upwards from the bar's lower edge); the frames returned are Qt's, top-down inside the
// bar, which lies at the top of the window.

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace app {

// Measured once on the platform whose look the windows keep: a bar of 22, the close button 8 from
// the left edge, 8 between the buttons.
inline constexpr qreal kStandardTitleBarHeight = 22.0;
inline constexpr qreal kStandardLeftMargin = 8.0;
inline constexpr qreal kStandardSeparation = 8.0;
inline constexpr qreal kStandardButtonTopMargin = 3.0;

struct TitleBarSettings {
    qreal barHeight = kStandardTitleBarHeight;
    qreal leftMargin = kStandardLeftMargin;
    qreal topMargin = kStandardButtonTopMargin;
    qreal separation = kStandardSeparation;
    qreal topButtonMoveUp = 0.0;  // positive moves the row up; not applied to the column
    bool centred = true;
    bool vertical = false;
    // The full-screen button: its right margin once set (measured from its place otherwise).
    std::optional<qreal> fullScreenRightMargin;
    qreal fullScreenTopMargin = kStandardButtonTopMargin;
    bool centreFullScreen = false;
};

struct TitleBarFrames {
    QRectF close, minimize, zoom;
    std::optional<QRectF> fullScreen;
    std::optional<qreal> fullScreenRightMargin;  // the margin used (set now when it was measured)
};

// closeSize, minimizeSize, zoomSize: the three buttons; fullScreen: the full-screen button's
// current frame (top-down) when there is one.
TitleBarFrames LayOutTitleBar(const TitleBarSettings& settings, qreal barWidth, QSizeF closeSize, QSizeF minimizeSize,
                              QSizeF zoomSize, std::optional<QRectF> fullScreen = std::nullopt);

}  // namespace app
