#pragma once
// The pop-over's content after a quick scan: a hint that a deep scan finds more, and a close
// button that asks the owner to take the pop-over away.

#include <QLabel>
#include <QWidget>

namespace app {

class QNDeepScanViewController : public QWidget {
    Q_OBJECT
public:
    explicit QNDeepScanViewController(QWidget* parent = nullptr);
    QLabel* deepScanNodeLabel() const { return label_; }
    QWidget* closeButton() const { return close_; }
    // Takes `room`'s width and the largest type, 12 pt down to 8 pt, whose lines fit its height.
    void fitWithin(QSize room);

signals:
    // The close button was pressed.
    void popupViewHidden();

private:
    QLabel* label_;
    QWidget* close_;
};

}  // namespace app
