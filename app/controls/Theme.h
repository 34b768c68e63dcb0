#pragma once
// The dark look: the palette's colours by name, the two font families the windows use, and the
// conversion of bottom-up frames (origin at the lower left, as the layouts give them) into
// Qt's top-down geometry.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QRectF>

class QApplication;

namespace app::theme {

// Shared dark palette.
inline constexpr QRgb kBackdrop = qRgb(37, 41, 45);
inline constexpr QRgb kListRow = qRgb(32, 36, 39);  // list rows and column headers
inline constexpr QRgb kHighlightedRow = qRgb(9, 40, 76);
inline constexpr QRgb kListBand = qRgb(39, 43, 47);  // the lighter band of a list
inline constexpr QRgb kTitleText = qRgb(80, 84, 102);

// Window chrome.
inline constexpr QRgb kTitleBarGrey = qRgb(38, 41, 45);  // bar fill and separator lines
inline constexpr QRgb kWindowTitle = qRgb(56, 56, 56);   // half transparent when not main
inline constexpr QRgb kWindowTitleShadow = qRgba(255, 255, 255, 128);
inline constexpr int kTitleBarCornerRadius = 4;

// Controls.
inline constexpr QRgb kGlyph = qRgb(160, 170, 211);        // line glyphs of the image set
inline constexpr QRgb kLabelText = qRgb(172, 182, 220);    // labels of the scan bar
inline constexpr QRgb kProgressFill = qRgb(249, 171, 0);   // orange
inline constexpr QRgb kProgressGlow = qRgb(59, 153, 252);  // blue glow around the fill
inline constexpr QRgb kSearchPlaceholder = qRgba(94, 98, 120, 250);
inline constexpr QRgb kFocusRing = qRgb(59, 153, 252);

// "system font n": the application's sans family at n pixels, so that text keeps its size in
// layouts given in points and scales with the device pixel ratio.
QFont SystemFont(int pixelSize);
// "Helvetica" Light: fontconfig answers Helvetica with the sans family installed.
QFont HelveticaLight(int pixelSize);

// A frame given bottom-up inside a parent parentHeight high, as Qt's top-down rectangle:
// y becomes parentHeight - y - height.
QRectF FlipFrame(const QRectF& bottomUp, qreal parentHeight);
QRect FlipFrame(const QRect& bottomUp, int parentHeight);

// Fusion with the dark palette, so that standard widgets (message boxes, scroll bars) match the
// drawn controls.
void ApplyDarkLook(QApplication& application);

}  // namespace app::theme
