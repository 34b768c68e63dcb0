#pragma once
// Small views of the results window: the trees' outline, which typed text never moves (only the
// arrows and the mouse choose a folder), and the activity spinner drawn by code.
#include <QTimer>
#include <QWidget>

#include "app/controls/BandedListView.h"

namespace app::results {

class ResultOutlineView : public QNCustomOutlineView {
    Q_OBJECT

public:
    using QNCustomOutlineView::QNCustomOutlineView;
    void keyboardSearch(const QString& search) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Twelve spokes, turning while shown and asked to turn.
class SpinnerView : public QWidget {
    Q_OBJECT

public:
    explicit SpinnerView(QWidget* parent = nullptr);
    void setTurning(bool turning);
    bool isTurning() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
    bool m_turning = true;
};

}  // namespace app::results
