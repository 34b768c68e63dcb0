#pragma once
// Scroll bars that take no room: a thin knob drawn over an item view's viewport, bound to the
// view's own (hidden) scroll bar. It shows fully while the content scrolls or the pointer is
// over it or moves on it, and fades out 1.5 s after the last scroll or when the pointer leaves.

#include <QAbstractItemView>
#include <QPointer>
#include <QScrollBar>
#include <QVariantAnimation>

#include <functional>
#include <memory>

namespace app {

// Delays the fade; tests replace it to run time forward by hand.
class FadeTimer {
public:
    virtual ~FadeTimer() = default;
    // Replaces any pending request.
    virtual void start(int milliseconds, std::function<void()> callback) = 0;
    virtual void cancel() = 0;
};

// The knob as it is painted: a knob 15 px wide or less becomes 5 wide and 5 further in; one
// 15 px high or less is 5 high at y 5. Both tests apply, the width first.
QRectF ThinKnob(QRectF knob);

// The whole-pixel height a header of `height` takes from the top (truncated).
int HeaderOffsetFor(double height);

class RFOverlayScroller : public QScrollBar {
    Q_OBJECT
    Q_PROPERTY(qreal knobAlpha READ knobAlpha WRITE setKnobAlpha)
public:
    static constexpr int kFadeDelayMs = 1500;
    static constexpr int kFadeOutMs = 300;
    static constexpr int kFadeInMs = 100;

    RFOverlayScroller(Qt::Orientation orientation, QWidget* parent, std::unique_ptr<FadeTimer> timer = nullptr);
    ~RFOverlayScroller() override;

    qreal knobAlpha() const { return alpha_; }
    void setKnobAlpha(qreal alpha);
    // The knob's rectangle in the scroller, as painted.
    QRectF knobRect() const;
    // Counts how many fades ran (tests and the gallery's state pages).
    int fadeCount() const { return fades_; }
    // Called by the view binding on every scroll: full alpha and a fresh 1.5-s wait.
    void noteScrolled();
    void fadeOut();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void animateAlpha(qreal to, int milliseconds);
    // The value whose knob starts at `position` along the scroller.
    int valueAt(double position) const;

    std::unique_ptr<FadeTimer> timer_;
    QVariantAnimation animation_;
    qreal alpha_ = 0.0;
    int fades_ = 0;
    double grab_ = -1;  // where along the knob the pointer holds it while dragging; -1 when not
};

// Gives an item view overlay scrollers: the view's own bars are hidden and the content takes
// its whole area; the vertical scroller starts below the view's header.
class RFOverlayScrollView : public QObject {
    Q_OBJECT
public:
    static constexpr int kScrollerWidth = 15;
    static constexpr int kHorizontalHeight = 12;

    // Owned by the view. `timer` for the vertical scroller (tests).
    explicit RFOverlayScrollView(QAbstractItemView* view, std::unique_ptr<FadeTimer> timer = nullptr);

    // Measured once, when made: later changes of the header are followed only when the owner
    // sets the offset again.
    int headerOffset() const { return headerOffset_; }
    void setHeaderOffset(int offset) { headerOffset_ = offset; }
    RFOverlayScroller* verticalScroller() const { return vertical_; }
    RFOverlayScroller* horizontalScroller() const { return horizontal_; }
    // Places both scrollers over the view.
    void tile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void Bind(QScrollBar* own, RFOverlayScroller* overlay);

    QPointer<QWidget> view_;  // a widget: it is still read while the view is destroyed
    RFOverlayScroller* vertical_;
    RFOverlayScroller* horizontal_;
    int headerOffset_ = 0;
};

}  // namespace app
