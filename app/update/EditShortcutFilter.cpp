#include "app/update/EditShortcutFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace app {

EditShortcutFilter* EditShortcutFilter::Install() {
    auto* filter = new EditShortcutFilter(qApp);
    qApp->installEventFilter(filter);
    return filter;
}

const char* EditShortcutFilter::ActionFor(const QKeyEvent& event) {
    // A key of the keypad is the same key.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier) {
        switch (event.key()) {
            case Qt::Key_X:
                return "cut()";
            case Qt::Key_C:
                return "copy()";
            case Qt::Key_V:
                return "paste()";
            case Qt::Key_Z:
                return "undo()";
            case Qt::Key_A:
                return "selectAll()";
            default:
                return nullptr;
        }
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && event.key() == Qt::Key_Z) return "redo()";
    return nullptr;
}

bool EditShortcutFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    QWidget* focus = QApplication::focusWidget();
    // Every key event passes the filter once per receiver on its way up: act only on the first.
    if (!focus || watched != focus) return false;
    const char* action = ActionFor(*static_cast<QKeyEvent*>(event));
    if (!action || focus->metaObject()->indexOfMethod(action) < 0) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // the key comes to the focus widget, not to a window shortcut
        return true;
    }
    const QByteArray name = QByteArray(action).chopped(2);
    QMetaObject::invokeMethod(focus, name.constData(), Qt::DirectConnection);
    return true;
}

}  // namespace app
