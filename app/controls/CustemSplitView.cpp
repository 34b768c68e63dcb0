#include "app/controls/CustemSplitView.h"

#include <QPainter>

namespace app {
namespace {

class BlackHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
    }
};

}  // namespace

QSplitterHandle* CustemSplitView::createHandle() { return new BlackHandle(orientation(), this); }

}  // namespace app
