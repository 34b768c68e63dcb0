#pragma once
// The title the program's windows put into their drawn bar: a label across the bar's whole
// width at y 3, 17 high, in the system font of size 13 and the title colour, centred on a clear
// background. It follows the bar's width and lets clicks through to the bar.

#include <QLabel>

namespace app {

class TCImageWindow;

class BarTitle : public QLabel {
    Q_OBJECT
public:
    BarTitle(const QString& text, TCImageWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace app
