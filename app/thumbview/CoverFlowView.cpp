#include "app/thumbview/CoverFlowView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace app::thumbview {

namespace {
constexpr int kSideItems = 5;        // neighbours drawn on each side
constexpr int kMaxCachedItems = 64;  // items kept between paints
constexpr int kSlideMs = 200;
}  // namespace

CoverFlowView::CoverFlowView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_slide.setDuration(kSlideMs);
    m_slide.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toDouble();
        update();
    });
}

void CoverFlowView::setSelectedIndex(int index, bool animated) {
    const int items = count();
    index = items == 0 ? 0 : std::clamp(index, 0, items - 1);
    m_slide.stop();
    const double from = m_position;
    m_selected = index;
    if (animated && std::abs(from - index) > 0.01 && isVisible()) {
        m_slide.setStartValue(from);
        m_slide.setEndValue(static_cast<double>(index));
        m_slide.start();
    } else {
        m_position = index;
    }
    update();
}

void CoverFlowView::reloadData() {
    m_items.clear();
    const int items = count();
    if (m_selected >= items) setSelectedIndex(std::max(items - 1, 0), false);
    update();
}

void CoverFlowView::reloadCellDataAtIndex(int index) {
    m_items.remove(index);
    if (std::abs(index - m_position) <= kSideItems + 1) update();
}

void CoverFlowView::freeCache() { m_items.clear(); }

const CoverFlowItem& CoverFlowView::item(int index) {
    auto it = m_items.find(index);
    if (it != m_items.end()) return *it;
    if (m_items.size() >= kMaxCachedItems) m_items.clear();
    return *m_items.insert(index, m_source.itemAtIndex ? m_source.itemAtIndex(index) : CoverFlowItem{});
}

void CoverFlowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    m_placed.clear();
    m_placedIndexes.clear();
    const int items = count();
    if (items == 0) return;
    const double side = std::max(40.0, std::min(height() * 0.7, width() * 0.4));
    const QPointF centre(width() / 2.0, height() * 0.45);
    const int nearest = static_cast<int>(std::lround(m_position));
    // Far neighbours first, so that nearer ones and the centre lie on top.
    std::vector<int> order;
    for (int distance = kSideItems; distance >= 1; --distance) {
        order.push_back(nearest - distance);
        order.push_back(nearest + distance);
    }
    order.push_back(nearest);
    for (int index : order) {
        if (index < 0 || index >= items) continue;
        const double offset = index - m_position;  // negative: left of the centre
        const double away = std::min(std::abs(offset), 1.0);
        const double scale = 1.0 - 0.4 * away;
        const double x =
            centre.x() +
            (offset == 0 ? 0 : (offset > 0 ? 1 : -1) * (away * side * 0.55 + (std::abs(offset) - away) * side * 0.22));
        const CoverFlowItem& shown = item(index);
        QSizeF size(side, side);
        if (!shown.image.isNull())
            size = QSizeF(shown.image.deviceIndependentSize()).scaled(side, side, Qt::KeepAspectRatio);
        size *= scale;
        QRectF frame(x - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height());
        painter.save();
        QTransform shear;
        shear.translate(frame.center().x(), frame.center().y());
        shear.shear(0, offset < 0 ? -0.2 * away : 0.2 * away);
        shear.translate(-frame.center().x(), -frame.center().y());
        painter.setTransform(shear, true);
        if (shown.image.isNull()) {
            painter.setPen(QColor(200, 200, 200));
            painter.setBrush(QColor(30, 30, 30));
            painter.drawRect(frame);
            painter.drawText(frame, Qt::AlignCenter, QStringLiteral("Loading..."));
        } else {
            painter.drawPixmap(frame, shown.image, QRectF(shown.image.rect()));
        }
        painter.restore();
        m_placed.prepend(frame);
        m_placedIndexes.prepend(index);
    }
    const CoverFlowItem& current = item(std::clamp(m_selected, 0, items - 1));
    painter.setPen(Qt::white);
    const QRectF titleRect(0, height() * 0.45 + side / 2 + 8, width(), 20);
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     fontMetrics().elidedText(current.title.left(1024), Qt::ElideMiddle, width() - 20));
}

void CoverFlowView::chooseByUser(int index) {
    const int items = count();
    if (items == 0) return;
    index = std::clamp(index, 0, items - 1);
    if (index == m_selected) return;
    setSelectedIndex(index);
    emit didSelectItemAtIndex(index);
}

void CoverFlowView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    // The topmost frame under the pointer: the centre was placed last, so look from the front.
    for (int i = 0; i < m_placed.size(); ++i)
        if (m_placed[i].contains(event->position())) {
            chooseByUser(m_placedIndexes[i]);
            return;
        }
}

void CoverFlowView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left) {
        chooseByUser(m_selected - 1);
    } else if (event->key() == Qt::Key_Right) {
        chooseByUser(m_selected + 1);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

}  // namespace app::thumbview
