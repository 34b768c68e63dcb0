#pragma once
// The results window's scan commands: the bar's home, deep scan, pause and resume and stop
// buttons, the window's close while a scan runs, the scan's progress and its end, with the sheets
// that guard them and the deep-scan offer. They move the scan's state in the follower, which the
// bar is drawn from; what lies outside the bar (the file pane, the search, the window) is asked
// by signal.
#include <QObject>

#include <functional>

class QWidget;

namespace app {
class TCImageWindow;
}

namespace app::results {

class DeepScanOffer;
class ScanBar;
class ScanFollower;

class ScanControls : public QObject {
    Q_OBJECT

public:
    ScanControls(TCImageWindow* window, ScanBar* bar, ScanFollower& scan);
    ~ScanControls() override;

    // Hears the removal of the scanned disk, or no longer.
    void observe();
    void stopObserving();

    // The bar's commands and the window's close.
    void backButtonAction();
    void deepSrcanButtonAction();
    void pauseButtonClick();
    void stopButtonClick();
    void closeWindow();

    // The scan's progress in the bar; at the scan's end, the finished state.
    void showProgress();
    // The bar's parts placed for its width, the offer kept beside its anchor.
    void followResize();

signals:
    void sheetOpened(QWidget* sheet);
    void progressShown(int percent);
    void scanEnded(bool stopped);
    // What the pane does for a command: the checks cleared, a deep scan starting over, the scan
    // paused or resumed, its end shown.
    void checksCleared();
    void scanStarting();
    void pauseChanged(bool paused);
    void finished();
    // A search shown goes (while the model can still forget it: the scan waits).
    void searchClearRequested();
    // The window leaves for the start page (asked for by backHomeRequested a moment later), or
    // closes once the scan has wound down.
    void leaving();
    void backHomeRequested();
    void closing();

private:
    // A sheet answered No: the scan goes on unless the user had paused it.
    void resumeUnlessPausedByUser();
    void doBackHomeAction();
    void doDeepScanAction();
    void stopAction();
    void showFinishedState();
    void refreshDevice(const QVariantMap& payload);
    void openSheet(const QString& prefix, std::function<void(int)> done);

    TCImageWindow* m_window;
    ScanBar* m_bar;
    ScanFollower& m_scan;
    DeepScanOffer* m_offer;
};

}  // namespace app::results
