#include "app/controls/AttachedGeometry.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

namespace app {
namespace {

// The layout is worked out with y growing upward, the way the outline is described edge by
// edge (top edge first, clockwise); the results are flipped into Qt's y-down coordinates.
struct UpRect {
    double left, bottom, right, top;
};

UpRect ToUp(const QRectF& area) { return {area.left(), -area.bottom(), area.right(), -area.top()}; }

bool IsOneOf(int side, std::initializer_list<int> sides) {
    return std::find(sides.begin(), sides.end(), side) != sides.end();
}

double ArrowInset(const AttachedLook& look) {
    return (look.drawsRoundCornerBesideArrow ? look.cornerRadius : 0.0) + look.arrowBaseWidth / 2;
}

// A quarter circle of radius r from the current point, which lies r before `corner`, to the
// point r past it along the next edge.
void ArcThrough(QPainterPath& path, QPointF corner, QPointF end) {
    constexpr double kKappa = 0.5522847498;
    const QPointF start = path.currentPosition();
    path.cubicTo(start + (corner - start) * kKappa, end + (corner - end) * kKappa, end);
}

void AppendArrow(QPainterPath& path, int edge, const AttachedLook& look) {
    if (!look.hasArrow) return;
    const QPointF p = path.currentPosition();
    const double a = look.arrowBaseWidth;
    const double h = look.arrowHeight;
    switch (edge) {
        case 0:  // top
            path.lineTo(p.x() + a / 2, p.y() + h);
            path.lineTo(p.x() + a, p.y());
            break;
        case 1:  // right
            path.lineTo(p.x() + h, p.y() - a / 2);
            path.lineTo(p.x(), p.y() - a);
            break;
        case 2:  // bottom
            path.lineTo(p.x() - a / 2, p.y() - h);
            path.lineTo(p.x() - a, p.y());
            break;
        default:  // left
            path.lineTo(p.x() - h, p.y() + a / 2);
            path.lineTo(p.x(), p.y() + a);
            break;
    }
}

// The outline in y-up window coordinates around the body (the view frame grown by the margin).
QPainterPath UpOutline(const QRectF& viewFrameUp, int side, const AttachedLook& look) {
    const double m = look.viewMargin;
    const QRectF body = viewFrameUp.adjusted(-m, -m, m, m);
    const double left = std::ceil(body.x() + 0.5);
    const double right = std::floor(body.x() + body.width() - 0.5);
    const double bottom = std::ceil(body.y() + 0.5);
    const double top = std::floor(body.y() + body.height() - 0.5);
    const double midX = body.x() + body.width() / 2;
    const double midY = body.y() + body.height() / 2;
    const double r = look.cornerRadius;
    const double a = look.arrowBaseWidth;

    // A corner beside the arrow stays square when asked to.
    auto rounded = [&](std::initializer_list<int> besideSides) {
        return r > 0 && (look.drawsRoundCornerBesideArrow || !IsOneOf(side, besideSides));
    };
    const double tl = rounded({7, 11}) ? r : 0;
    const double tr = rounded({5, 10}) ? r : 0;
    const double br = rounded({4, 8}) ? r : 0;
    const double bl = rounded({6, 9}) ? r : 0;

    QPainterPath path;
    path.moveTo(left + tl, top);
    // Top edge, rightward: 11 at its start, 1 in its middle, 10 at its end.
    if (side == 11) AppendArrow(path, 0, look);
    if (side == 1) {
        path.lineTo(midX - a / 2, top);
        AppendArrow(path, 0, look);
    }
    if (side == 10) {
        path.lineTo(right - tr - a, top);
        AppendArrow(path, 0, look);
    }
    path.lineTo(right - tr, top);
    if (tr > 0) ArcThrough(path, {right, top}, {right, top - tr});
    // Right edge, downward: 5, 0, 4.
    if (side == 5) AppendArrow(path, 1, look);
    if (side == 0) {
        path.lineTo(right, midY + a / 2);
        AppendArrow(path, 1, look);
    }
    if (side == 4) {
        path.lineTo(right, bottom + br + a);
        AppendArrow(path, 1, look);
    }
    path.lineTo(right, bottom + br);
    if (br > 0) ArcThrough(path, {right, bottom}, {right - br, bottom});
    // Bottom edge, leftward: 8, 3, 9.
    if (side == 8) AppendArrow(path, 2, look);
    if (side == 3) {
        path.lineTo(midX + a / 2, bottom);
        AppendArrow(path, 2, look);
    }
    if (side == 9) {
        path.lineTo(left + bl + a, bottom);
        AppendArrow(path, 2, look);
    }
    path.lineTo(left + bl, bottom);
    if (bl > 0) ArcThrough(path, {left, bottom}, {left, bottom + bl});
    // Left edge, upward: 6, 2, 7.
    if (side == 6) AppendArrow(path, 3, look);
    if (side == 2) {
        path.lineTo(left, midY - a / 2);
        AppendArrow(path, 3, look);
    }
    if (side == 7) {
        path.lineTo(left, top - tl - a);
        AppendArrow(path, 3, look);
    }
    path.lineTo(left, top - tl);
    if (tl > 0) ArcThrough(path, {left, top}, {left + tl, top});
    path.closeSubpath();
    return path;
}

}  // namespace

double LimitCornerRadius(double radius, QSizeF viewSize, const AttachedLook& look) {
    const double limit =
        (std::min(viewSize.width(), viewSize.height()) + 2 * look.viewMargin - look.arrowBaseWidth) / 2;
    return std::max(0.0, std::min(radius, std::max(0.0, limit)));
}

double LimitArrowBaseWidth(double width, QSizeF viewSize, const AttachedLook& look) {
    double limit = std::min(viewSize.width(), viewSize.height()) + 2 * look.viewMargin - look.cornerRadius;
    if (look.drawsRoundCornerBesideArrow) limit -= look.cornerRadius;
    return std::max(0.0, std::min(width, std::max(0.0, limit)));
}

int AutomaticSide(QSizeF viewSize, QPointF point, double distance, const AttachedLook& look, const QRectF& area) {
    const UpRect screen = ToUp(area);
    const double x = point.x();
    const double y = -point.y();
    const double W = viewSize.width() + 2 * look.viewMargin;
    const double H = viewSize.height() + 2 * look.viewMargin;
    const double g = look.arrowHeight + distance;
    const double i = ArrowInset(look);

    int side = kSideBelow;
    if (y - H - g < screen.bottom) {
        if (x + W + g < screen.right)
            side = kSideRight;
        else if (x - W - g >= screen.left)
            side = kSideLeft;
        else if (y + H + g < screen.top)
            side = kSideAbove;
    }
    // The parent window is both the screen area and the reference frame here.
    const UpRect& frame = screen;
    if (side == kSideLeft || side == kSideRight) {
        if (y - H / 2 < frame.bottom && y + H - i < screen.top)
            side = side == kSideLeft ? kSideLeftUpward : kSideRightUpward;
        else if (y + H / 2 >= frame.top && y - H + i >= screen.bottom)
            side = side == kSideLeft ? kSideLeftDownward : kSideRightDownward;
    } else {
        if (x - W / 2 < frame.left && x + W - i < screen.right)
            side = side == kSideBelow ? kSideBelowRightward : kSideAboveRightward;
        else if (x + W / 2 >= frame.right && x - W + i >= screen.left)
            side = side == kSideBelow ? kSideBelowLeftward : kSideAboveLeftward;
    }
    return side;
}

std::optional<AttachedGeometry> ComputeAttachedGeometry(QSizeF viewSize, QPointF point, int side, double distance,
                                                        const AttachedLook& look, const QRectF& area) {
    if (viewSize.width() <= 0 || viewSize.height() <= 0 || side < 0 || side > kSideAutomatic) return std::nullopt;
    if (side == kSideAutomatic) side = AutomaticSide(viewSize, point, distance, look, area);

    const double m = look.viewMargin;
    const double h = look.arrowHeight;
    QRectF viewUp(m, m, viewSize.width(), viewSize.height());
    double W = viewSize.width() + 2 * m;
    double H = viewSize.height() + 2 * m;
    // Room for the arrow, kept even without one so that the distance means the same.
    if (IsOneOf(side, {0, 4, 5})) W += h;
    if (IsOneOf(side, {1, 10, 11})) H += h;
    if (IsOneOf(side, {2, 6, 7})) {
        W += h;
        viewUp.moveLeft(viewUp.x() + h);
    }
    if (IsOneOf(side, {3, 8, 9})) {
        H += h;
        viewUp.moveTop(viewUp.y() + h);
    }

    const double i = ArrowInset(look);
    double x = point.x();
    double y = -point.y();
    switch (side) {
        case 0:
            x -= W;
            y -= H / 2;
            break;
        case 1:
            x -= W / 2;
            y -= H;
            break;
        case 2:
            y -= H / 2;
            break;
        case 3:
            x -= W / 2;
            break;
        case 4:
            x -= W;
            y -= i;
            break;
        case 5:
            x -= W;
            y -= H - i;
            break;
        case 6:
            y -= i;
            break;
        case 7:
            y -= H - i;
            break;
        case 8:
            x -= W - i;
            break;
        case 9:
            x -= i;
            break;
        case 10:
            x -= W - i;
            y -= H;
            break;
        case 11:
            x -= i;
            y -= H;
            break;
    }
    if (IsOneOf(side, {0, 4, 5})) x -= distance;
    if (IsOneOf(side, {1, 10, 11})) y -= distance;
    if (IsOneOf(side, {2, 6, 7})) x += distance;
    if (IsOneOf(side, {3, 8, 9})) y += distance;

    AttachedGeometry geometry;
    geometry.side = side;
    geometry.frame = QRectF(x, -(y + H), W, H);
    geometry.viewFrame = QRectF(viewUp.x(), H - (viewUp.y() + viewUp.height()), viewUp.width(), viewUp.height());
    geometry.outline = QTransform(1, 0, 0, -1, 0, H).map(UpOutline(viewUp, side, look));
    return geometry;
}

}  // namespace app
