#pragma once
// The standard edit shortcuts for whatever widget has the keyboard focus: Ctrl with X, C, V, Z or
// A, and Ctrl+Shift+Z, call cut(), copy(), paste(), undo(), selectAll() or redo() on it before any
// window shortcut sees the key. Only the exact modifiers count (Ctrl+Alt+C is not ours), and a
// key is consumed only when the focus widget has that slot, so a window shortcut still gets a
// Ctrl+X that nothing can cut.

#include <QObject>

class QKeyEvent;

namespace app {

class EditShortcutFilter : public QObject {
    Q_OBJECT
public:
    explicit EditShortcutFilter(QObject* parent = nullptr) : QObject(parent) {}

    // Installs one filter on the application, owned by it.
    static EditShortcutFilter* Install();

    // The slot a key event asks for ("copy()"), or null when it is no edit shortcut.
    static const char* ActionFor(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace app
