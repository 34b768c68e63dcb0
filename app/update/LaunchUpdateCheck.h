#pragma once
// The update check at program start: at most every 7 days, the time stored before the fetch so
// a failed fetch still counts, "Participate" set on a first launch. The fetch never blocks the
// start: the caller hears once whether to show the update window or go straight to the root
// window, at the latest when the fetch times out.

#include <QDateTime>
#include <QObject>

#include <functional>
#include <string>

#include "app/update/UpdateAddresses.h"
#include "app/update/VersionListFetcher.h"

namespace app {

inline constexpr char kCheckTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
inline constexpr int kCheckIntervalDays = 7;

struct LaunchCheckDecision {
    bool check = false;
    bool firstLaunch = false;  // no readable stored time: "Participate" is set
};

// The decision for the stored check time at now. A blank or unreadable time is a first launch.
LaunchCheckDecision DecideLaunchCheck(const std::string& storedTime, const QDateTime& now);

class LaunchUpdateCheck : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // showUpdateWindow: a newer version is out and the network answered.
    using Done = std::function<void(bool showUpdateWindow, const RemoteVersionList& list)>;

    explicit LaunchUpdateCheck(UpdateAddresses addresses, Clock clock = &QDateTime::currentDateTime,
                               QObject* parent = nullptr);

    VersionListFetcher& fetcher() { return m_fetcher; }

    // Decides, stores the time and fetches when due; done runs once, at once (before run()
    // returns) when nothing is fetched.
    void run(Done done);

private:
    UpdateAddresses m_addresses;
    Clock m_clock;
    VersionListFetcher m_fetcher;
};

}  // namespace app
