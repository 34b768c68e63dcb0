#pragma once
// Follows the scan the results window shows (a scan, a deep scan or a results file being loaded):
// the model's "NormalScranValue" posts and its "RefreshTableView" ones, and a watch that looks
// for the scan's end even when no post comes. A part with its own state; the window does what
// each step shows.
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

signals:
    // A post came, or the watch found the scan ended: the window refreshes.
    void stepped();
    // The model asks for the list alone to be refreshed.
    void listChanged();

private:
    QTimer* m_watch;
    bool m_following = false;
};

}  // namespace app::results
