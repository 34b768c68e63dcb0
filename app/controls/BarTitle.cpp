#include "app/controls/BarTitle.h"

#include <QEvent>

#include "app/controls/TCImageWindow.h"
#include "app/controls/Theme.h"

namespace app {

BarTitle::BarTitle(const QString& text, TCImageWindow* window) : QLabel(text, window->titleBarView()) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setFont(theme::SystemFont(13));
    setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QColor(theme::kTitleText).name()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 3, parentWidget()->width(), 17);
    parentWidget()->installEventFilter(this);
}

bool BarTitle::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(0, 3, parentWidget()->width(), 17);
    return QLabel::eventFilter(watched, event);
}

}  // namespace app
