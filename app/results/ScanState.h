#pragma once
// What the results window knows of the scan it shows, as one value: where the scan stands, what
// kind of scan it is and whether the window is leaving. The follower keeps it and tells each
// change; the bar is drawn from it and the commands read it.
#include <QMetaType>

namespace app::results {

enum class ScanPhase {
    Idle,      // nothing handed to the model yet: the window is new, or a deep scan is about to start
    Running,   // the scan runs (a sheet may hold it paused while it asks)
    Paused,    // paused by the user
    Stopping,  // told to stop; it winds down
    Ended,     // wound down: the finished state shows
};

enum class ScanKind {
    Quick,
    Deep,
    Import,  // a results file being loaded
};

enum class Leaving {
    No,
    Home,   // back to the start page once the scan has wound down
    Close,  // the program ends once the scan has wound down
};

struct ScanState {
    ScanPhase phase = ScanPhase::Idle;
    ScanKind kind = ScanKind::Quick;
    Leaving leaving = Leaving::No;

    bool operator==(const ScanState&) const = default;

    // The scan's posts are followed and its end is watched for.
    bool following() const {
        return phase == ScanPhase::Running || phase == ScanPhase::Paused || phase == ScanPhase::Stopping;
    }
    // Home, pause, resume and stop take clicks: not before the scan was handed over, not while it
    // winds down, not once the window leaves.
    bool takesClicks() const {
        return leaving == Leaving::No &&
               (phase == ScanPhase::Running || phase == ScanPhase::Paused || phase == ScanPhase::Ended);
    }
};

}  // namespace app::results

Q_DECLARE_METATYPE(app::results::ScanState)
