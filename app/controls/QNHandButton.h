#pragma once
// A link-like button: the pointing hand while the pointer is over it.

#include <QPushButton>

namespace app {

class QNHandButton : public QPushButton {
    Q_OBJECT
public:
    explicit QNHandButton(QWidget* parent = nullptr);
    explicit QNHandButton(const QString& text, QWidget* parent = nullptr);
};

}  // namespace app
