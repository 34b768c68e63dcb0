#pragma once
// The frames of the results window's 90-px bar, given for a window 1000 px wide and flipped to
// top-down: the buttons at its left and the scan box, which grows with the window, and inside the
// box its activity glyph, progress, pause and play, stop and the two labels. The window and the
// gallery's picture of the bar place their parts here, so the two cannot drift apart.
#include <QWidget>

namespace app::results {

inline constexpr int kScanBarHeight = 90;
inline constexpr int kScanBoxHeight = 65;
inline constexpr int kScanBoxWidth = 450;
inline constexpr int kScanBarDesignWidth = 1000;

struct ScanBarParts {
    QWidget* home;
    QWidget* homeLabel;
    QWidget* deepScan;
    QWidget* deepScanLabel;
    QWidget* box;
    QWidget* search;
};

struct ScanBoxParts {
    QWidget* activity;
    QWidget* progress;
    QWidget* pause;
    QWidget* play;
    QWidget* stop;
    QWidget* found;
    QWidget* remaining;
};

// Places the bar's parts in a window `windowWidth` wide; the box is never narrower than 300 px.
void LayoutScanBar(const ScanBarParts& bar, int windowWidth);
// Places the box's parts in a box (or the part of it left of the recover button) `boxWidth` wide.
void LayoutScanBox(const ScanBoxParts& box, int boxWidth);

}  // namespace app::results
