#include "app/controls/BandedListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "app/base/Strings.h"
#include "app/controls/CheckBoxImage.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/FocusRing.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/ListPalette.h"
#include "app/controls/Theme.h"

namespace app {

BandedListView::BandedListView(QWidget* parent) : QTreeView(parent) {
    // Rows of one height: a million rows lay out and scroll at the cost of the visible ones,
    // and the highlight can count visual rows from the content's top.
    setUniformRowHeights(true);
    setFocusPolicy(Qt::StrongFocus);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::NoFrame);
    // Cells draw their icon and plain text only: the row backgrounds are the view's.
    setItemDelegate(new ImageAndTextCell(this));
    viewport()->setAutoFillBackground(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, list_palette::CellText());
    colours.setColor(QPalette::Base, list_palette::BandDark());
    // The highlight is the view's own; Qt's selection and hover painting stay invisible.
    colours.setColor(QPalette::Highlight, Qt::transparent);
    colours.setColor(QPalette::HighlightedText, list_palette::CellText());
    setPalette(colours);
}

void BandedListView::setHighlightedRow(int row) {
    if (row == highlightedRow_) return;
    highlightedRow_ = row;
    viewport()->update();
}

void BandedListView::setFillsEveryRow(bool fills) {
    if (fills == fillsEveryRow_) return;
    fillsEveryRow_ = fills;
    viewport()->update();
}

int BandedListView::visualRowOf(const QModelIndex& index) const {
    if (!index.isValid()) return -1;
    const QRect rect = visualRect(index);
    if (!rect.isValid() || rect.height() <= 0) return -1;
    return (rect.top() + verticalOffset()) / rect.height();
}

void BandedListView::paintBands(QPainter& painter) const {
    // Bands belong to the content, 39 px each from its top, and only the visible ones are
    // painted; a view shorter than one band still has one.
    using list_palette::kBandHeight;
    const int offset = verticalOffset();
    const int height = viewport()->height();
    const int width = viewport()->width();
    int band = std::max(0, offset / kBandHeight);
    for (int y = band * kBandHeight - offset; y < std::max(height, 1); y += kBandHeight, ++band)
        painter.fillRect(0, y, width, kBandHeight,
                         band % 2 == 0 ? list_palette::BandLight() : list_palette::BandDark());
}

void BandedListView::paintEvent(QPaintEvent* event) {
    ++paintCount_;
    {
        QPainter painter(viewport());
        paintBands(painter);
    }
    QTreeView::paintEvent(event);
}

void BandedListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
    const int visualRow = option.rect.height() > 0 ? (option.rect.top() + verticalOffset()) / option.rect.height() : -1;
    if (highlightedRow_ >= 0 && visualRow == highlightedRow_)
        painter->fillRect(row, list_palette::Selected());
    else if (fillsEveryRow_)
        painter->fillRect(row, list_palette::RowFill());

    QStyleOptionViewItem plain = option;
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    QTreeView::drawRow(painter, plain, index);

    if (hasFocus() && index.row() == currentIndex().row() && index.parent() == currentIndex().parent()) {
        DrawFocusRing(*painter, row, 0);
    }
}

void BandedListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid()) emit checkRequested(currentIndex().siblingAtColumn(0));
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void BandedListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid()) setHighlightedRow(visualRowOf(current));
    viewport()->update();
}

CustemOutlineView::CustemOutlineView(QWidget* parent) : BandedOutlineView(parent) { setFillsEveryRow(true); }

QNCustomOutlineView::QNCustomOutlineView(QWidget* parent) : BandedOutlineView(parent) {}

namespace {

// The note's backdrop: "text_bg" stretched over the whole view.
class NoteBackdrop : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        const QPixmap image = ImageLibrary::instance().pixmap(QStringLiteral("text_bg"), size());
        if (image.isNull()) return;
        QPainter painter(this);
        painter.drawPixmap(rect(), image);
    }
};

}  // namespace

CustomTableView::CustomTableView(QWidget* parent) : BandedListView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setHeader(new CustomHeaderCell(this));
}

void CustomTableView::changeNoValue(bool hasValues, const QString& noteKey) {
    if (hasValues || (noValueView_ && noValueKey_ != noteKey)) {
        delete noValueView_;
        noValueView_ = nullptr;
    }
    if (hasValues || noValueView_) return;
    noValueKey_ = noteKey;
    const QSize frame = viewport()->size();
    auto* note = new NoteBackdrop(viewport());
    note->setGeometry(QRect(QPoint(0, 0), frame));
    auto* text = new QLabel(note);
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);
    text->setText(Text(noteKey));
    text->setFont(theme::SystemFont(14));
    QPalette colours = text->palette();
    colours.setColor(QPalette::WindowText, list_palette::NoteText());
    text->setPalette(colours);
    // Centred once, where the view is now.
    text->setGeometry(frame.width() / 2 - 200, frame.height() / 2, 400, 20);
    note->show();
    noValueView_ = note;
}

void CustomTableView::resizeEvent(QResizeEvent* event) {
    BandedListView::resizeEvent(event);
    if (noValueView_) noValueView_->resize(viewport()->size());
}

}  // namespace app
