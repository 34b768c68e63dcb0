#pragma once
// The tree-row cell of the result trees: a check box at the row's left, the row's icon centred
// in a 40x30 box, then its name. A click inside the 15x30 check area is reported as
// clickButtonAction, at most once per 0.2 s for the whole program (a fast double click must not
// check and uncheck a folder of a million files); any other click selects the row as usual.

#include <QStyledItemDelegate>

#include <functional>

namespace app {

// The process-wide 0.2-s gate of check clicks.
class CheckClickGate {
public:
    static constexpr qint64 kIntervalMs = 200;
    // True when no click passed in the last 0.2 s; the click then counts.
    static bool TryPass();
    // Milliseconds of a steady clock; tests run it by hand. Null restores the real clock.
    static void SetClock(std::function<qint64()> clock);
};

class NewButton : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kCheckHitWidth = 15;
    static constexpr int kCheckHitHeight = 30;
    static constexpr int kCheckSize = 14;
    static constexpr QSize kIconRoom{40, 30};

    using QStyledItemDelegate::QStyledItemDelegate;

    // The element rectangles of a cell (empty when absent).
    static QRect CheckHitRect(const QRect& cell);
    static QRect CheckRect(const QRect& cell);
    static QRect IconRect(const QRect& cell);
    static QRect LabelRect(const QRect& cell, bool hasIcon);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

public slots:
    // The keyboard's way to the check box (Space), through the same gate as a click.
    void requestCheck(const QModelIndex& index);

signals:
    void clickButtonAction(const QModelIndex& index);
};

}  // namespace app
