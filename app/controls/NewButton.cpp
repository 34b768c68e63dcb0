#include "app/controls/NewButton.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>

#include <chrono>

#include "app/controls/CheckBoxImage.h"
#include "app/controls/DisplayName.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/ImageLibrary.h"

namespace app {
namespace {

qint64 SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::function<qint64()>& Clock() {
    static std::function<qint64()> clock = SteadyMilliseconds;
    return clock;
}

// Main thread only, like the cells that use it.
bool g_passedBefore = false;
qint64 g_lastPass = 0;

constexpr int kLabelHeight = 16;

}  // namespace

bool CheckClickGate::TryPass() {
    const qint64 now = Clock()();
    if (g_passedBefore && now - g_lastPass < kIntervalMs) return false;
    g_passedBefore = true;
    g_lastPass = now;
    return true;
}

void CheckClickGate::SetClock(std::function<qint64()> clock) {
    Clock() = clock ? std::move(clock) : SteadyMilliseconds;
    g_passedBefore = false;
}

QRect NewButton::CheckHitRect(const QRect& cell) {
    return {cell.x(), cell.y(), kCheckHitWidth, std::max(kCheckHitHeight, cell.height())};
}

QRect NewButton::CheckRect(const QRect& cell) {
    // At the row's left, inside the hit area, centred on the row.
    return {cell.x() + 1, cell.y() + (cell.height() - kCheckSize + 1) / 2, kCheckSize, kCheckSize};
}

QRect NewButton::IconRect(const QRect& cell) {
    return {cell.x() + 8, cell.y() + (cell.height() - kIconRoom.height() + 1) / 2, kIconRoom.width(),
            kIconRoom.height()};
}

QRect NewButton::LabelRect(const QRect& cell, bool hasIcon) {
    const int x = cell.x() + (hasIcon ? 40 : 15);
    return {x, cell.y() + (cell.height() - kLabelHeight + 1) / 2, std::max(0, cell.right() + 1 - x), kLabelHeight};
}

void NewButton::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QVariant state = index.data(Qt::CheckStateRole);
    if (state.isValid()) {
        const QPixmap check =
            ImageLibrary::instance().pixmap(CheckBoxImageName(state.toInt()), CheckRect(option.rect).size());
        if (!check.isNull()) painter->drawPixmap(CheckRect(option.rect), check);
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap icon = DecorationPixmap(index.data(Qt::DecorationRole), kIconRoom, ratio);
    if (!icon.isNull()) {
        const QRect room = IconRect(option.rect);
        const QSizeF size = icon.deviceIndependentSize();
        painter->drawPixmap(
            QPointF(room.x() + (room.width() - size.width()) / 2, room.y() + (room.height() - size.height()) / 2),
            icon);
    }
    const QRect label = LabelRect(option.rect, !icon.isNull());
    const QString name = DisplayName(index.data(Qt::DisplayRole).toString());
    painter->save();
    painter->setFont(option.font);
    painter->setPen(CellTextColor(option, index));
    painter->drawText(label.adjusted(0, -4, 0, 4), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(name, Qt::ElideRight, label.width()));
    painter->restore();
}

QSize NewButton::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QString name = DisplayName(index.data(Qt::DisplayRole).toString());
    return {40 + option.fontMetrics.horizontalAdvance(name) + 4, kCheckHitHeight};
}

bool NewButton::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                            const QModelIndex& index) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    const QRect hit = CheckHitRect(option.rect) & option.rect;
    if (!hit.contains(mouse->position().toPoint())) return false;
    // The press reports; release and double click inside the area are swallowed, so they
    // neither select nor expand the row.
    if (type == QEvent::MouseButtonPress) requestCheck(index);
    return true;
}

bool NewButton::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                          const QModelIndex& index) {
    ImageAndTextCell names;
    return names.helpEvent(event, view, option, index);
}

void NewButton::requestCheck(const QModelIndex& index) {
    if (!index.isValid() || !CheckClickGate::TryPass()) return;
    emit clickButtonAction(index);
}

}  // namespace app
