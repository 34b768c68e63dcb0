#pragma once
// A search field painted black (corners a quarter of its height) with a white caret and the
// small magnifier "search_normal" at 16 x 16.

#include <QLineEdit>

namespace app {

class THSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit THSearchField(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
