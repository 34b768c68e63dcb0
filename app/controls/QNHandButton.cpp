#include "app/controls/QNHandButton.h"

namespace app {

QNHandButton::QNHandButton(QWidget* parent) : QNHandButton(QString(), parent) {}

QNHandButton::QNHandButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

}  // namespace app
