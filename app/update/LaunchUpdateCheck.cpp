#include "app/update/LaunchUpdateCheck.h"

#include <cmath>

#include "app/update/NetworkProbe.h"
#include "uimodel/support/Seams.h"
#include "uimodel/support/VersionMessage.h"

namespace app {

LaunchCheckDecision DecideLaunchCheck(const std::string& storedTime, const QDateTime& now) {
    const QDateTime last =
        QDateTime::fromString(QString::fromStdString(storedTime).trimmed(), QLatin1String(kCheckTimeFormat));
    if (!last.isValid()) return {true, true};
    const qint64 days = static_cast<qint64>(std::trunc(static_cast<double>(last.secsTo(now)) / 86400.0));
    return {days >= kCheckIntervalDays, false};
}

LaunchUpdateCheck::LaunchUpdateCheck(UpdateAddresses addresses, Clock clock, QObject* parent)
    : QObject(parent), m_addresses(std::move(addresses)), m_clock(std::move(clock)), m_fetcher(this) {}

void LaunchUpdateCheck::run(Done done) {
    const QDateTime now = m_clock();
    const LaunchCheckDecision decision = DecideLaunchCheck(uimodel::getUpDataTimeStr(), now);
    if (decision.firstLaunch) uimodel::GetSeams().pSettings->SetValue("Participate", "true");
    // As shipped there is no address: the program never touches the network, and no check is
    // counted.
    if (!decision.check || !m_addresses.checksForUpdates()) {
        done(false, {});
        return;
    }
    uimodel::writeUpDataTimeStr(now.toString(QLatin1String(kCheckTimeFormat)).toStdString());
    const qint64 localVersion = m_addresses.localVersion;
    m_fetcher.fetch(m_addresses.iniUrl, [done = std::move(done), localVersion](const VersionListFetch& fetch) {
        const bool newer = fetch.outcome == VersionListFetch::Outcome::Fetched &&
                           fetch.list.versionCheck > localVersion && uimodel::isCanBeUseNetWork();
        done(newer, fetch.list);
    });
}

}  // namespace app
