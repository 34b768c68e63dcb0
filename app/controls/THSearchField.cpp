#include "app/controls/THSearchField.h"

#include <QIcon>
#include <QPainter>

#include "app/controls/FocusRing.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"

namespace app {

THSearchField::THSearchField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setClearButtonEnabled(true);
    setFont(theme::SystemFont(13));
    QIcon magnifier;
    for (qreal ratio : {1.0, 2.0})
        magnifier.addPixmap(ImageLibrary::instance().pixmap(QStringLiteral("search_normal"), {16, 16}, ratio));
    addAction(magnifier, QLineEdit::LeadingPosition);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(theme::kSearchPlaceholder));
    setPalette(p);
    setAttribute(Qt::WA_MacShowFocusRect);
}

void THSearchField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const qreal radius = height() / 4.0;
        painter.drawRoundedRect(rect(), radius, radius);
        if (hasFocus()) DrawFocusRing(painter, rect(), radius);
    }
    QLineEdit::paintEvent(event);
}

}  // namespace app
