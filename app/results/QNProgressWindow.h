#pragma once
// The small window that follows saving a scan into a results file or loading one: the bar only
// moves forward, the window closes 0.5 s after the end, a failure is alerted, and a successful
// load posts "ShowDetailWindow" (and names the saved volumes it could not place). Closing it
// early stops a load and waits for its end, showing that it is stopping; a load stopped so posts
// nothing.

#include <QTimer>

#include "app/controls/TCImageWindow.h"

class QLabel;

namespace app {

class QNProgressView;

class QNProgressWindow : public TCImageWindow {
    Q_OBJECT
public:
    // `postName`: the progress notification to follow ("QueryProgressInfo" saving,
    // "NormalScranValue" loading).
    QNProgressWindow(bool save, const QString& postName, QWidget* parent = nullptr);
    ~QNProgressWindow() override;

    // The work ended without an error code.
    bool getResult() const { return m_success; }
    bool isFinished() const { return m_finished; }
    bool isStopping() const { return m_stopRequested; }
    int percent() const { return m_percent; }

signals:
    // After the window closed: whether the work succeeded (false when it was stopped or failed).
    void workEnded(bool success);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void changeProgressValue();
    void ProgressFinish();
    void onTimer();
    // A warning box named `name` (tests find it by that name), left open over the windows.
    void showAlert(const QString& name, const QString& text);

    bool m_save;
    QString m_postName;
    QLabel* m_description = nullptr;
    QNProgressView* m_progress = nullptr;
    QTimer m_timer;
    int m_percent = 0;
    bool m_success = false;
    bool m_finished = false;
    bool m_stopRequested = false;
    bool m_failed = false;
    bool m_closing = false;
};

// The percent of `done` of `total`, a total of 0 taken as 1, capped at 100.
int ProgressPercent(std::uint64_t total, std::uint64_t done);

}  // namespace app
