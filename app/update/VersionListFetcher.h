#pragma once
// Fetches the remote version list without blocking the GUI thread: an asynchronous GET with a
// transfer time-out, a cap on the body and a bounded number of redirects. A stalled or hostile
// server costs at most the time-out and the cap.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

#include "app/update/VersionList.h"

class QNetworkReply;

namespace app {

inline constexpr int kVersionListTimeoutMs = 10'000;
inline constexpr qint64 kVersionListMaxBytes = 256 * 1024;
inline constexpr int kVersionListMaxRedirects = 5;

struct VersionListFetch {
    enum class Outcome {
        NoNetwork,   // nothing answered: refused, unreachable, timed out, no valid address
        Unreadable,  // a server answered, but with no list we can read (counts as version 0)
        Fetched,
    };
    Outcome outcome = Outcome::NoNetwork;
    RemoteVersionList list;
};

class VersionListFetcher : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const VersionListFetch&)>;

    explicit VersionListFetcher(QObject* parent = nullptr);
    ~VersionListFetcher() override;

    // For tests: a shorter time-out.
    void setTransferTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // Starts the fetch of url; done runs once on this object's thread, never from inside fetch().
    // A fetch still running is abandoned without calling its done.
    void fetch(const QUrl& url, Done done);

private:
    void finish(VersionListFetch result);
    void onReadyRead();
    void onFinished();

    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    bool m_overCap = false;
    int m_timeoutMs = kVersionListTimeoutMs;
    Done m_done;
};

}  // namespace app
