#pragma once
// Follows the scan the results window shows (a scan, a deep scan or a results file being loaded)
// and owns what the window knows of it: whether it is followed, finished, deep, paused by the
// user, a loaded file; whether the scan's commands take clicks; whether the window closes or
// goes home once it has wound down. It hears the model's "NormalScranValue" posts and its
// "RefreshTableView" ones, and watches for the scan's end even when no post comes. The parts
// read its state; a change is told by stateChanged.
#include <QObject>

class QTimer;

namespace app::results {

class ScanFollower : public QObject {
    Q_OBJECT

public:
    // The name the model posts a scan's progress under.
    static const char* const kScanPost;

    explicit ScanFollower(QObject* parent);

    // Hears the scan's posts (again, once each), or no longer.
    void observe();
    void stopObserving();
    // A scan is being followed from now on; its end is watched for.
    void start();
    // The scan wound down: nothing more is followed or watched.
    void end();
    // Only the watch stops; the scan still counts as followed.
    void stopWatch();

    bool isFollowing() const { return m_following; }
    bool isFinished() const { return m_finished; }
    bool isDeep() const { return m_deep; }
    bool isPausedByUser() const { return m_pausedByUser; }
    bool takesClicks() const { return m_takesClicks; }
    bool isClosing() const { return m_closing; }
    bool isGoingHome() const { return m_goingHome; }
    bool isImport() const { return m_import; }
    // A scan runs and is not paused: the model refuses checks, sorting and searches meanwhile.
    static bool runsUnpaused();

    void setFinished(bool finished);
    void setDeep(bool deep);
    void setPausedByUser(bool paused);
    void setTakesClicks(bool takes);
    void setClosing();
    void setGoingHome();
    void setImport();

signals:
    // A post came, or the watch found the scan ended: the window refreshes.
    void stepped();
    // The model asks for the list alone to be refreshed.
    void listChanged();
    // What the window knows of the scan changed.
    void stateChanged();

private:
    void change(bool& field, bool value);

    QTimer* m_watch;
    bool m_following = false;
    bool m_finished = false;
    bool m_deep = false;
    bool m_pausedByUser = false;
    bool m_takesClicks = true;
    bool m_closing = false;
    bool m_goingHome = false;
    bool m_import = false;
};

}  // namespace app::results
