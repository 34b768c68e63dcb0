#include "app/controls/RFOverlayScroller.h"

#include <QEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cmath>

namespace app {
namespace {

const QColor kKnobColor(100, 100, 100);
constexpr double kThinLimit = 15.0;
constexpr double kThin = 5.0;
constexpr int kMinimumKnob = 20;

class QtFadeTimer final : public FadeTimer {
public:
    QtFadeTimer() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (callback_) callback_();
        });
    }
    void start(int milliseconds, std::function<void()> callback) override {
        callback_ = std::move(callback);
        timer_.start(milliseconds);
    }
    void cancel() override { timer_.stop(); }

private:
    QTimer timer_;
    std::function<void()> callback_;
};

// The header height an item view reserves above its viewport, as it lays itself out.
int ViewHeaderHeight(QAbstractItemView* view) {
    QHeaderView* header = nullptr;
    if (auto* tree = qobject_cast<QTreeView*>(view)) header = tree->header();
    if (auto* table = qobject_cast<QTableView*>(view)) header = table->horizontalHeader();
    if (!header || header->isHidden()) return 0;
    const int height = std::max(header->minimumHeight(), header->sizeHint().height());
    return std::min(height, header->maximumHeight());
}

}  // namespace

QRectF ThinKnob(QRectF knob) {
    if (knob.width() <= kThinLimit) {
        knob.setX(knob.x() + kThin);
        knob.setWidth(kThin);
    }
    if (knob.height() <= kThinLimit) {
        knob.moveTop(kThin);
        knob.setHeight(kThin);
    }
    return knob;
}

int HeaderOffsetFor(double height) { return height > 0 ? static_cast<int>(height) : 0; }

RFOverlayScroller::RFOverlayScroller(Qt::Orientation orientation, QWidget* parent, std::unique_ptr<FadeTimer> timer)
    : QScrollBar(orientation, parent), timer_(timer ? std::move(timer) : std::make_unique<QtFadeTimer>()) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setKnobAlpha(value.toReal()); });
}

RFOverlayScroller::~RFOverlayScroller() { timer_->cancel(); }

void RFOverlayScroller::setKnobAlpha(qreal alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == alpha_) return;
    alpha_ = alpha;
    update();
}

void RFOverlayScroller::animateAlpha(qreal to, int milliseconds) {
    animation_.stop();
    animation_.setStartValue(alpha_);
    animation_.setEndValue(to);
    animation_.setDuration(milliseconds);
    animation_.start();
}

QRectF RFOverlayScroller::knobRect() const {
    const bool vertical = orientation() == Qt::Vertical;
    const int length = vertical ? height() : width();
    const int range = maximum() - minimum();
    if (range <= 0 || length <= 0) return {};
    const double share = double(pageStep()) / double(range + pageStep());
    const double knobLength = std::min<double>(length, std::max<double>(kMinimumKnob, length * share));
    const double position = (length - knobLength) * double(value() - minimum()) / double(range);
    const QRectF knob = vertical ? QRectF(0, position, width(), knobLength) : QRectF(position, 0, knobLength, height());
    return ThinKnob(knob);
}

void RFOverlayScroller::noteScrolled() {
    animateAlpha(1.0, kFadeInMs);
    timer_->cancel();
    timer_->start(kFadeDelayMs, [this] { fadeOut(); });
}

void RFOverlayScroller::fadeOut() {
    timer_->cancel();
    ++fades_;
    animateAlpha(0.0, kFadeOutMs);
}

void RFOverlayScroller::paintEvent(QPaintEvent*) {
    // No slot and no arrows: only the knob, at the scroller's alpha.
    const QRectF knob = knobRect();
    if (alpha_ <= 0 || knob.isEmpty()) return;
    QPainter painter(this);
    painter.setOpacity(alpha_);
    painter.fillRect(knob, kKnobColor);
}

void RFOverlayScroller::enterEvent(QEnterEvent* event) {
    QScrollBar::enterEvent(event);
    animateAlpha(1.0, kFadeInMs);
    timer_->cancel();
}

void RFOverlayScroller::leaveEvent(QEvent* event) {
    QScrollBar::leaveEvent(event);
    fadeOut();
}

// The knob is drawn thinner than Qt's slider, so the pointer is tracked against the knob that
// shows: a press on it drags it, a press beside it pages toward the pointer.
int RFOverlayScroller::valueAt(double position) const {
    const QRectF knob = knobRect();
    const bool vertical = orientation() == Qt::Vertical;
    const double travel = (vertical ? height() - knob.height() : width() - knob.width());
    if (travel <= 0) return value();
    const double share = std::clamp(position / travel, 0.0, 1.0);
    return minimum() + static_cast<int>(std::lround(share * (maximum() - minimum())));
}

void RFOverlayScroller::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QScrollBar::mousePressEvent(event);
    const QRectF knob = knobRect();
    const QPointF at = event->position();
    const bool vertical = orientation() == Qt::Vertical;
    const double along = vertical ? at.y() : at.x();
    const double start = vertical ? knob.top() : knob.left();
    const double end = vertical ? knob.bottom() : knob.right();
    if (along >= start && along <= end)
        grab_ = along - start;
    else
        triggerAction(along < start ? SliderPageStepSub : SliderPageStepAdd);
    event->accept();
}

void RFOverlayScroller::mouseReleaseEvent(QMouseEvent* event) {
    grab_ = -1;
    event->accept();
}

void RFOverlayScroller::mouseMoveEvent(QMouseEvent* event) {
    if (grab_ >= 0) {
        const double along = orientation() == Qt::Vertical ? event->position().y() : event->position().x();
        setValue(valueAt(along - grab_));
    }
    event->accept();
    animation_.stop();
    setKnobAlpha(1.0);
}

RFOverlayScrollView::RFOverlayScrollView(QAbstractItemView* view, std::unique_ptr<FadeTimer> timer)
    : QObject(view), view_(view) {
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vertical_ = new RFOverlayScroller(Qt::Vertical, view, std::move(timer));
    horizontal_ = new RFOverlayScroller(Qt::Horizontal, view);
    Bind(view->verticalScrollBar(), vertical_);
    Bind(view->horizontalScrollBar(), horizontal_);
    headerOffset_ = HeaderOffsetFor(ViewHeaderHeight(view));
    view->installEventFilter(this);
    tile();
}

void RFOverlayScrollView::Bind(QScrollBar* own, RFOverlayScroller* overlay) {
    auto copyRange = [own, overlay] {
        overlay->setPageStep(own->pageStep());
        overlay->setSingleStep(own->singleStep());
        overlay->setRange(own->minimum(), own->maximum());
        overlay->setVisible(own->maximum() > own->minimum());
    };
    copyRange();
    overlay->setValue(own->value());
    connect(own, &QScrollBar::rangeChanged, overlay, copyRange);
    connect(own, &QScrollBar::valueChanged, overlay, [overlay](int value) {
        overlay->setValue(value);
        overlay->noteScrolled();
    });
    connect(overlay, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
}

void RFOverlayScrollView::tile() {
    if (!view_) return;
    const QRect bounds = view_->rect();
    vertical_->setGeometry(bounds.width() - kScrollerWidth, headerOffset_, kScrollerWidth,
                           bounds.height() - headerOffset_);
    horizontal_->setGeometry(0, bounds.height() - kHorizontalHeight, bounds.width() - kScrollerWidth,
                             kHorizontalHeight);
    // Above the viewport and the header.
    vertical_->raise();
    horizontal_->raise();
}

bool RFOverlayScrollView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) tile();
    return QObject::eventFilter(watched, event);
}

}  // namespace app
