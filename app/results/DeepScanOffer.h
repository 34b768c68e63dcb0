#pragma once
// The offer of a deep scan after a quick one: a pop-over pointing at the bar's deep-scan button
// from its right, below the title row's menu, made once per window, closed after 8 s, by its own
// button or by Escape, and made again at the anchor's new place when the window resizes while it
// shows. The pop-over, while it shows, is "deepScanPopover".
#include <QObject>
#include <QPointer>

class QTimer;

namespace app {
class MAAttachedWindow;
class QNDeepScanViewController;
}  // namespace app

namespace app::results {

class ScanBar;

class DeepScanOffer : public QObject {
    Q_OBJECT

public:
    // `window` holds the pop-over; `bar` gives the anchor and what the offer keeps clear of.
    DeepScanOffer(QWidget* window, ScanBar* bar);
    ~DeepScanOffer() override;

    // Makes the offer the first time; later calls show nothing new.
    void show();
    // Closes it (the timer, its button, the deep scan it led to).
    void hide();
    // After the window resized or the box's lines changed: an offer still shown moves with its
    // anchor and keeps clear of the box, without a new timer.
    void follow();

private:
    void place();
    // The highest y the offer may reach over the columns left to right, above `anchorY`.
    int bandTop(int left, int right, int anchorY) const;

    QWidget* m_window;
    ScanBar* m_bar;
    QPointer<QNDeepScanViewController> m_offerView;  // owned by the pop-over once shown
    QPointer<MAAttachedWindow> m_attachedWindow;
    QTimer* m_timer = nullptr;
    bool m_made = false;
    bool m_closed = false;
};

}  // namespace app::results
