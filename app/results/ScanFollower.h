#pragma once
// Follows the scan the results window shows (a scan, a deep scan or a results file being loaded)
// and keeps what the window knows of it as one value (ScanState: its phase, its kind, whether the
// window is leaving), told by stateChanged at each change. It hears the model's
// "NormalScranValue" posts and its "RefreshTableView" ones, and watches for the scan's end even
// when no post comes.
#include <QObject>

#include "app/results/ScanState.h"

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

    const ScanState& state() const { return m_state; }
    // A scan of `kind` is about to be handed to the model: nothing is followed yet.
    void prepare(ScanKind kind);
    // A scan of `kind` was handed to the model: it runs, and its end is watched for.
    void start(ScanKind kind);
    // Paused by the user, or resumed.
    void setPhase(ScanPhase phase);
    // Told to stop: it winds down, and the window leaves `where` once it has.
    void windDown(Leaving where = Leaving::No);
    // The window leaves once the scan has wound down.
    void leave(Leaving where);
    // The scan wound down: the finished state; nothing more is watched.
    void end();
    // Only the watch stops; the scan still counts as followed.
    void stopWatch();

    // A scan runs and is not paused: the model refuses checks, sorting and searches meanwhile.
    static bool runsUnpaused();

signals:
    // A post came, or the watch found the scan ended: the window refreshes.
    void stepped();
    // The model asks for the list alone to be refreshed.
    void listChanged();
    // What the window knows of the scan changed.
    void stateChanged(const app::results::ScanState& state);

private:
    void change(ScanState next);

    QTimer* m_watch;
    ScanState m_state;
};

}  // namespace app::results
