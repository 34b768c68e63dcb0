#pragma once
// The small modal windows of the program (update, About): a TCImageWindow with the 22-px bar,
// the "pop_header_bg" header and the program's title, fading in when shown and out when closed.
// Escape closes it. The controller hears once when the window has gone.

#include <QObject>
#include <QPointer>

#include <functional>

#include "app/controls/TCImageWindow.h"

class QLabel;

namespace app {

class DialogWindow : public QObject {
    Q_OBJECT
public:
    // leftMargin: where the close light sits in the bar.
    DialogWindow(QSize contentSize, qreal leftMargin, QObject* parent = nullptr);
    ~DialogWindow() override;

    TCImageWindow* window() const { return m_window; }
    QWidget* content() const { return m_content; }
    QLabel* titleLabel() const { return m_titleLabel; }

    // Centres the window on its screen, shows it above the other windows and fades it in.
    void show();
    // show(), then waits in a nested loop, the rest of the program blocked, until it closes.
    void exec();

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<TCImageWindow> m_window;
    QWidget* m_content = nullptr;
    QLabel* m_titleLabel = nullptr;
};

}  // namespace app
