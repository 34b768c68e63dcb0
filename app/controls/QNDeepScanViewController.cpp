#include "app/controls/QNDeepScanViewController.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPainter>
#include <algorithm>

#include "app/base/Strings.h"
#include "app/controls/Theme.h"

namespace app {
namespace {

constexpr int kHintWidth = 200;  // until the owner fits it into its room
constexpr int kHintMinimumHeight = 40;
constexpr int kLargestPoints = 12;
constexpr int kSmallestPoints = 8;

// A small round button with a cross, drawn here so it reads on the dark pop-over.
class CloseCross : public QAbstractButton {
public:
    explicit CloseCross(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(18, 18);
        // Clicked only: the offer closes itself after a few seconds, and in the Tab chain it would
        // make the way to the bar's buttons depend on whether it is still there.
        setFocusPolicy(Qt::ClickFocus);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QStringLiteral("Close"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? QColor(255, 255, 255, 90) : QColor(255, 255, 255, 40));
        painter.drawEllipse(box);
        painter.setPen(QPen(hasFocus() ? QColor(theme::kFocusRing) : QColor(230, 230, 230), 1.5));
        const QRectF cross = box.adjusted(5, 5, -5, -5);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    }
};

}  // namespace

QNDeepScanViewController::QNDeepScanViewController(QWidget* parent) : QWidget(parent) {
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setFont(theme::SystemFont(kLargestPoints));
    label_->setText(Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_NODE")));
    QPalette colours = label_->palette();
    colours.setColor(QPalette::WindowText, QColor(235, 235, 235));
    label_->setPalette(colours);
    auto* cross = new CloseCross(this);
    close_ = cross;
    connect(cross, &QAbstractButton::clicked, this, &QNDeepScanViewController::popupViewHidden);
    // The cross above the hint, so that in a narrow room the lines keep the whole width.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 4, 4, 6);
    layout->setVerticalSpacing(0);
    layout->addWidget(cross, 0, 0, Qt::AlignRight);
    layout->addWidget(label_, 1, 0);
    // As tall as the hint's lines need at the pop-over's width, whatever the language.
    resize(kHintWidth, std::max(kHintMinimumHeight, heightForWidth(kHintWidth)));
}

void QNDeepScanViewController::fitWithin(QSize room) {
    for (int points = kLargestPoints; points >= kSmallestPoints; --points) {
        label_->setFont(theme::SystemFont(points));
        layout()->invalidate();
        if (heightForWidth(room.width()) <= room.height()) break;
    }
    resize(room.width(), std::max(kHintMinimumHeight, heightForWidth(room.width())));
}

}  // namespace app
