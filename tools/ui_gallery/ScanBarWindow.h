#pragma once
// A window with the 90-px bar of the results window: home and deep-scan buttons, the scan box
// (activity glyph, progress, found and remaining-time labels, pause, play and stop) and the search
// box. Live, it follows the hook's scan to its end.

#include <QPointer>

#include "app/controls/TCImageWindow.h"

class QLabel;
class QTimer;

namespace app {
class ElidedLabel;
class NewSearchTextFiled;
class QNProgressView;
class TCImageButton;
}  // namespace app

namespace gallery {

class ScanBarWindow : public app::TCImageWindow {
    Q_OBJECT
public:
    explicit ScanBarWindow(QWidget* parent = nullptr);

    // Shows a fixed state, for the pictures.
    void showStill(float percent, quint64 found, const QString& remaining);
    // Starts the hook's scan and follows it; false when the scan was refused.
    bool followHookScan();
    app::QNProgressView* progressView() const { return m_progress; }

signals:
    // The scan ended: the state word of the RESULT line and the found count as the label shows it.
    void scanEnded(const QString& state, const QString& found);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBar();
    void layoutBar();
    void refresh();
    void pauseOrResume();
    void askToStop();
    void showFinished();

    app::TCImageButton* m_home = nullptr;
    app::ElidedLabel* m_homeLabel = nullptr;
    app::TCImageButton* m_deepScan = nullptr;
    app::ElidedLabel* m_deepScanLabel = nullptr;
    QWidget* m_box = nullptr;  // the scan box, its backdrop "schedule_bg"
    QLabel* m_activity = nullptr;
    app::QNProgressView* m_progress = nullptr;
    app::TCImageButton* m_pause = nullptr;
    app::TCImageButton* m_play = nullptr;
    app::TCImageButton* m_stop = nullptr;
    app::TCImageButton* m_recover = nullptr;
    app::ElidedLabel* m_found = nullptr;
    app::ElidedLabel* m_remaining = nullptr;
    app::NewSearchTextFiled* m_search = nullptr;
    QTimer* m_poll = nullptr;
    bool m_running = false;
    bool m_userPaused = false;
    bool m_stopRequested = false;
    qint64 m_lastRemainingSecond = 0;
};

}  // namespace gallery
