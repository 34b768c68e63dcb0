#include "app/results/ScanBarLayout.h"

#include "app/controls/Theme.h"

namespace app::results {

using theme::FlipFrame;

void LayoutScanBar(const ScanBarParts& bar, int windowWidth) {
    const int grow = windowWidth - kScanBarDesignWidth;
    bar.home->setGeometry(FlipFrame(QRect(28, 30, 32, 32), kScanBarHeight));
    bar.homeLabel->setGeometry(FlipFrame(QRect(15, 13, 60, 18), kScanBarHeight));
    bar.deepScan->setGeometry(FlipFrame(QRect(110, 30, 32, 32), kScanBarHeight));
    bar.deepScanLabel->setGeometry(FlipFrame(QRect(86, 13, 80, 18), kScanBarHeight));
    bar.box->setGeometry(FlipFrame(QRect(250, 13, qMax(300, kScanBoxWidth + grow), kScanBoxHeight), kScanBarHeight));
    bar.search->setGeometry(FlipFrame(QRect(windowWidth - 220, 30, 200, 30), kScanBarHeight));
}

void LayoutScanBox(const ScanBoxParts& box, int boxWidth) {
    const int grow = boxWidth - kScanBoxWidth;
    box.activity->setGeometry(FlipFrame(QRect(14, 24, 16, 16), kScanBoxHeight));
    box.progress->setGeometry(FlipFrame(QRect(40, 19, 348 + grow, 6), kScanBoxHeight));
    box.pause->setGeometry(FlipFrame(QRect(398 + grow, 20, 16, 16), kScanBoxHeight));
    box.play->setGeometry(box.pause->geometry());
    box.stop->setGeometry(FlipFrame(QRect(424 + grow, 20, 16, 16), kScanBoxHeight));
    box.found->setGeometry(FlipFrame(QRect(40, 30, 180, 17), kScanBoxHeight));
    box.remaining->setGeometry(FlipFrame(QRect(220 + grow, 30, 168, 17), kScanBoxHeight));
}

}  // namespace app::results
