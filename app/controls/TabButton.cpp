#include "app/controls/TabButton.h"

#include <QPainter>

#include "app/controls/FocusRing.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/Theme.h"

namespace app {

TabButton::TabButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent), m_titleColor(theme::kLabelText) {
    setFlat(true);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(28);
    PressOnReturn(this);
}

void TabButton::setImageName(const QString& name) {
    if (name == m_image) return;
    m_image = name;
    update();
}

void TabButton::setTitleColor(const QColor& color) {
    if (color == m_titleColor) return;
    m_titleColor = color;
    update();
}

void TabButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(theme::kListRow));
    if (!m_image.isEmpty()) painter.drawPixmap(rect(), ImageLibrary::instance().pixmap(m_image, size()));
    painter.setPen(m_titleColor);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text(), Qt::ElideRight, width() - 4));
    if (hasFocus()) DrawFocusRing(painter, rect().adjusted(1, 1, -1, -1));
}

}  // namespace app
