#include "app/controls/ElidedLabel.h"

#include <QEvent>

#include "app/controls/PlainText.h"

namespace app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : ElidedLabel(parent) { setFullText(text); }

void ElidedLabel::setFullText(const QString& text) {
    m_fullText = text;
    refresh();
}

void ElidedLabel::setElideMiddle(bool middle) {
    m_elideMiddle = middle;
    refresh();
}

void ElidedLabel::setTextColor(const QColor& color) {
    // A label inside a button would inherit the button's text role and ignore this colour: a
    // disabled caption kept its enabled white.
    setForegroundRole(QPalette::WindowText);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QSize ElidedLabel::minimumSizeHint() const { return {0, fontMetrics().height()}; }

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refresh();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) refresh();
}

void ElidedLabel::refresh() {
    const QString shown = ElidedLine(m_fullText, fontMetrics(), contentsRect().width(), m_elideMiddle);
    if (shown != text()) QLabel::setText(shown);
    setToolTip(shown == m_fullText ? QString() : EscapedToolTip(m_fullText));
}

}  // namespace app
