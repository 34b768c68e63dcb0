#pragma once
// Where a pop-over goes and what it looks like, as a pure function of the wrapped view's size,
// the point it points at and its look: no widget, so every side can be tested alone. All lengths
// are in the parent window's logical pixels, y growing downward; Qt handles the device scale.

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace app {

// Placement of the pop-over relative to its point, and the edge its arrow sits on.
enum AttachedSide : int {
    kSideLeft = 0,             // arrow on the right edge, middle
    kSideBelow = 1,            // arrow on the top edge, middle
    kSideRight = 2,            // arrow on the left edge, middle
    kSideAbove = 3,            // arrow on the bottom edge, middle
    kSideLeftUpward = 4,       // arrow near the bottom of the right edge
    kSideLeftDownward = 5,     // arrow near the top of the right edge
    kSideRightUpward = 6,      // arrow near the bottom of the left edge
    kSideRightDownward = 7,    // arrow near the top of the left edge
    kSideAboveLeftward = 8,    // arrow near the right end of the bottom edge
    kSideAboveRightward = 9,   // arrow near the left end of the bottom edge
    kSideBelowLeftward = 10,   // arrow near the right end of the top edge
    kSideBelowRightward = 11,  // arrow near the left end of the top edge
    kSideAutomatic = 12,       // chosen from the room the parent window leaves
};

struct AttachedLook {
    double viewMargin = 2.0;
    double arrowBaseWidth = 15.0;
    double arrowHeight = 10.0;
    double cornerRadius = 8.0;
    double borderWidth = 0.2;
    bool hasArrow = true;
    bool drawsRoundCornerBesideArrow = true;
};

struct AttachedGeometry {
    int side = kSideBelow;  // never kSideAutomatic
    QRectF frame;           // the pop-over in parent coordinates
    QRectF viewFrame;       // the wrapped view inside the pop-over
    QPainterPath outline;   // body and arrow, in the pop-over's own coordinates
};

// The side the pop-over takes when asked for the automatic one: below when it fits inside
// `area`, else right, left or above, then shifted to the variant that keeps it inside.
int AutomaticSide(QSizeF viewSize, QPointF point, double distance, const AttachedLook& look, const QRectF& area);

// The whole layout; no pop-over (nullopt) for an empty view or a side out of 0-12.
std::optional<AttachedGeometry> ComputeAttachedGeometry(QSizeF viewSize, QPointF point, int side, double distance,
                                                        const AttachedLook& look, const QRectF& area);

// The look's limits: a corner radius and an arrow base that fit the view, never below 0.
double LimitCornerRadius(double radius, QSizeF viewSize, const AttachedLook& look);
double LimitArrowBaseWidth(double width, QSizeF viewSize, const AttachedLook& look);

}  // namespace app
