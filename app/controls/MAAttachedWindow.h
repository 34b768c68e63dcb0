#pragma once
// A pop-over pointing at a spot of its window: a child widget raised over the window's content
// (no compositor and no placing of top-level windows, so it works on Wayland too), painting its
// rounded body and arrow itself around the view it wraps. Escape closes it.

#include <QBrush>
#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "app/controls/AttachedGeometry.h"

namespace app {

class MAAttachedWindow : public QWidget {
    Q_OBJECT
public:
    // Wraps `view` (reparented) on `side` of `point`, given in `window`'s coordinates, at
    // `distance` from it. No pop-over (null) for a missing or empty view or a missing window.
    static MAAttachedWindow* attach(QWidget* view, QPoint point, QWidget* window, int side, double distance);

    int side() const { return geometry_.side; }
    const AttachedGeometry& attachedGeometry() const { return geometry_; }
    const AttachedLook& look() const { return look_; }
    QWidget* view() const { return view_; }

    void setPoint(QPoint point, int side);
    void setBackgroundColor(const QColor& color);
    void setBorderColor(const QColor& color);
    // A non-null image fills the body as a pattern instead of the colour.
    void setBackgroundImage(const QPixmap& image);
    // The look's limits keep the shape valid: the border never wider than the margin, the
    // margin never negative, the radius and the arrow base never larger than the view allows.
    void setBorderWidth(double width);
    void setViewMargin(double margin);
    void setCornerRadius(double radius);
    void setArrowBaseWidth(double width);
    void setArrowHeight(double height);
    void setHasArrow(bool hasArrow);
    void setDrawsRoundCornerBesideArrow(bool draws);

    // Hides and releases the pop-over; a second call, or one after the window went, does nothing.
    void closePopover();

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MAAttachedWindow(QWidget* view, QPoint point, QWidget* window, int side, double distance);
    void relayout();

    QPointer<QWidget> view_;
    QPoint point_;
    int requestedSide_;
    double distance_;
    AttachedLook look_;
    AttachedGeometry geometry_;
    QBrush fill_{QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.75f)};
    QColor border_ = Qt::white;
    bool closing_ = false;
};

}  // namespace app
