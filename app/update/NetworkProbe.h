#pragma once
// Whether the network answers, for the model's synchronous probe seam: the seam answers the last
// known result at once and never waits. Results come from an asynchronous request to the host
// of the remote version list and from every fetch of that list. Without an address nothing is
// probed and the answer stays no.

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <atomic>

namespace app {

inline constexpr int kNetworkProbeTimeoutMs = 5'000;

class NetworkProbe : public QObject {
    Q_OBJECT
public:
    static NetworkProbe& instance();

    // Points the model's isNetworkUsable seam at lastResult().
    static void InstallSeam();

    // Starts a request to the host of address (any answer of a server means usable); an empty or
    // invalid address changes nothing.
    void probe(const QUrl& address);
    bool lastResult() const { return m_usable.load(); }
    void note(bool usable) { m_usable.store(usable); }

private:
    NetworkProbe() = default;
    QNetworkAccessManager m_manager;
    std::atomic<bool> m_usable{false};
};

}  // namespace app
