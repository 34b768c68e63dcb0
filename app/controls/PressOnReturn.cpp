#include "app/controls/PressOnReturn.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace app {

namespace {

class ReturnPresses : public QObject {
public:
    explicit ReturnPresses(QAbstractButton* button) : QObject(button), m_button(button) {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_button || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if (!key->isAutoRepeat() && m_button->isEnabled()) m_button->animateClick();
        return true;
    }

private:
    QAbstractButton* m_button;
};

}  // namespace

void PressOnReturn(QAbstractButton* button) {
    if (button) new ReturnPresses(button);
}

}  // namespace app
