#include "app/update/NetworkProbe.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include "uimodel/support/Seams.h"

namespace app {

NetworkProbe& NetworkProbe::instance() {
    static NetworkProbe* const s_probe = new NetworkProbe;  // lives as long as the process
    return *s_probe;
}

void NetworkProbe::InstallSeam() {
    uimodel::GetSeams().isNetworkUsable = [] { return NetworkProbe::instance().lastResult(); };
}

void NetworkProbe::probe(const QUrl& address) {
    if (!address.isValid() || address.host().isEmpty()) return;
    QUrl host;
    host.setScheme(address.scheme());
    host.setHost(address.host());
    host.setPort(address.port());
    host.setPath(QStringLiteral("/"));
    QNetworkRequest request(host);
    request.setTransferTimeout(kNetworkProbeTimeoutMs);
    QNetworkReply* reply = m_manager.head(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        // A status line, even an error page, proves a working path to the server.
        note(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
    });
}

}  // namespace app
